#pragma once

#include "TempDir.h"

#include <cstdlib>
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
    // empty when the file does not exist.
    std::string storeText(const std::string& vendor, const std::string& app) const {
        std::ifstream in(file(".fltk/" + vendor + "/" + app + ".prefs"));
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::optional<std::string> savedHome;
};
