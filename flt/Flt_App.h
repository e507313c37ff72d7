#pragma once

#include "Flt_AppSetup.h"
#include "Flt_Store.h"

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Preferences.H>

#include <string>

// The main window of an application, owner of its per-user preferences store and its event
// loop. It opens where it was when it last closed (group "posize", keys "x", "y", "w",
// "h"), never smaller than the record's minimum, and stores its geometry on destruction.
// An application derives from it, overrides the hooks, and calls run.
//
// Construction starts FLTK's thread support; the constructing thread must be the one that
// calls run.
class Flt_App : public Fl_Double_Window {
public:
    // What Escape does.
    static const int escapeCloses = 0; // asks onClose, hides the window if it agrees
    static const int escapeIconizes = 1;
    static const int escapeIgnored = 2; // any other value does the same

    // Writes back into `setup` the position and size it restored and the title it used.
    explicit Flt_App(Flt_AppSetup& setup);
    ~Flt_App() override;

    // Shows the window, calls onStart, runs the event loop; returns what Fl::run returns.
    int run(int argc, char** argv);
    int handle(int event) override;

    // `title` becomes the stem that every later suffix follows. Null counts as empty.
    void setTitle(const char* title);
    // Replaces the previous suffix. Null counts as empty.
    void setTitleSuffix(const char* suffix);

    // Enters `name` in the store's shared "workNames" list; true when it was there already
    // (another instance holds it, or a run ended without its destructor). A name this
    // instance entered is removed again on destruction, and when a different name is claimed.
    // False for a null or empty name, which changes nothing.
    bool claimWorkName(const char* name);

    // Writes the store to disk now if it changed; false when that failed (told through
    // onStoreFailed, once).
    bool flushStore();

protected:
    // Called once by run, after the window is shown and before the event loop.
    virtual void onStart(int argc, char** argv);
    // Asked before a close request hides the window; false keeps it open.
    virtual bool onClose();
    // The store could not be written; the file on disk is the one before. Told once a run.
    virtual void onStoreFailed(const std::string& path, const std::string& reason);

    Flt_Store store;
    Fl_Preferences& prefs; // the store's root group
    int baseTitleLength = 0;
    std::string workName;
    bool ownsWorkName = false;
    int escapeMode = escapeCloses;

private:
    void restoreGeometry(Flt_AppSetup& setup);
    void restorePosition(Fl_Preferences& geometry, Flt_AppSetup& setup);
    void restoreSize(Fl_Preferences& geometry, Flt_AppSetup& setup);
    void releaseWorkName();
    int applyEscapePolicy();
    static void closeRequested(Fl_Widget* window, void* app);
};
