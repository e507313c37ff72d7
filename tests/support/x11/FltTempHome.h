#pragma once

#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

// Points $HOME at a fresh temporary folder for its lifetime, so that per-user preferences
// stores land there.
class TempHome : public TempDir {
public:
    TempHome() {
        if (const char* home = std::getenv("HOME"))
            savedHome = home;
        setenv("HOME", path().c_str(), 1);
    }
    ~TempHome() {
        if (savedHome)
            setenv("HOME", savedHome->c_str(), 1);
        else
            unsetenv("HOME");
    }

    // The text of the store Fl_Preferences keeps at user level for `vendor` and `app`;
    // empty when no such file exists (a folder, say).
    std::string storeText(const std::string& vendor, const std::string& app) const {
        const std::string path = file(".fltk/" + vendor + "/" + app + ".prefs");
        if (!std::filesystem::is_regular_file(path))
            return {};
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Whether that store holds `line` (an entry, or several in a row) as whole lines; the
    // file opens with a comment, so every entry follows a line feed.
    bool storeHas(const std::string& vendor, const std::string& app,
                  const std::string& line) const {
        return storeText(vendor, app).find("\n" + line + "\n") != std::string::npos;
    }

private:
    std::optional<std::string> savedHome;
};
