#pragma once

#include "TempDir.h"

#include <optional>
#include <string>

// Points $HOME at a fresh temporary folder for its lifetime, so that per-user preferences
// stores land there.
class TempHome : public TempDir {
public:
    TempHome();
    ~TempHome();

    // The text of the store Fl_Preferences keeps at user level for `vendor` and `app`;
    // empty when the file does not exist.
    std::string storeText(const std::string& vendor, const std::string& app) const;

private:
    std::optional<std::string> savedHome;
};
