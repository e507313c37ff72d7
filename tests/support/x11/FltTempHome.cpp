#include "FltTempHome.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

TempHome::TempHome() {
    if (const char* home = std::getenv("HOME")) {
        savedHome = home;
        hadHome = true;
    }
    setenv("HOME", folder.path().c_str(), 1);
}

TempHome::~TempHome() {
    if (hadHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
}

std::string TempHome::storeText(const std::string& vendor, const std::string& app) const {
    std::ifstream in(folder.path() + "/.fltk/" + vendor + "/" + app + ".prefs");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
