#pragma once

#include <FL/Fl_Preferences.H>

#include <functional>
#include <memory>
#include <string>

// An application's per-user preferences store (Fl_Preferences' own file and format at user
// level, $HOME/.fltk/VENDOR/APP.prefs) that is never rewritten in place. Fl_Preferences
// truncates and rewrites its file, so it works here on a private copy; flush compares that
// copy with the file and, only when they differ, replaces the file atomically.
class Flt_Store {
public:
    // What flush returns.
    static const int flushUnchanged = 0;
    static const int flushWritten = 1;
    static const int flushFailed = -1; // the file on disk is the one before

    Flt_Store(const char* vendor, const char* appName);
    // Flushes, then removes the private copy.
    ~Flt_Store();
    Flt_Store(const Flt_Store&) = delete;
    Flt_Store& operator=(const Flt_Store&) = delete;

    // The store's root group.
    Fl_Preferences& root() { return *prefs; }
    int flush();
    // The file on disk.
    const std::string& path() const { return filePath; }

    // Called with the path and the system's reason at the first failed write only, so a
    // full disk is told once rather than at every setting.
    std::function<void(const std::string& path, const std::string& reason)> onFailure;

private:
    std::string vendor, appName;
    std::string filePath;
    std::string workFolder; // empty: no private copy could be made, the file is used itself
    std::string workPath;
    std::unique_ptr<Fl_Preferences> prefs;
    std::string unreadable; // why the file there cannot be read; then it is never replaced
    bool told = false;

    void openWorkingCopy();
    bool seedWorkingCopy();
    int commit();
    void failed(const std::string& reason);
};
