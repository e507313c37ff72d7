#include "FltTempHome.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

TempHome::TempHome() {
    if (const char* home = std::getenv("HOME"))
        savedHome = home;
    setenv("HOME", path().c_str(), 1);
}

TempHome::~TempHome() {
    if (savedHome)
        setenv("HOME", savedHome->c_str(), 1);
    else
        unsetenv("HOME");
}

std::string TempHome::storeText(const std::string& vendor, const std::string& app) const {
    std::ifstream in(file(".fltk/" + vendor + "/" + app + ".prefs"));
    return std::string(std::istreambuf_iterator<char>(in), {});
}
