#pragma once

#include "App.h"
#include "FltTempHome.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// The player as a user starts it, on a store in a temporary HOME whose root group holds
// `storeLines` ("Pause:4", ...); message boxes are collected instead of shown.
class PlayerTest : public ::testing::Test {
protected:
    TempHome home;
    TempDir folder;
    std::unique_ptr<App> app;
    std::vector<std::string> messages;

    // An empty `storeLines` keeps the store as the last player left it; `arguments` are the
    // command line after the program's name.
    void openPlayer(const std::vector<std::string>& storeLines = {},
                    const std::vector<std::string>& arguments = {});
    void writeStore(const std::vector<std::string>& storeLines);
    // Destroys the player, which writes its store; returns the store's text.
    std::string closePlayer();
    // What the playlist's lines show, in order.
    std::vector<std::string> lines() const;
    // A small valid one-track file of organ notes, or of `note` on `channel`.
    std::string midiFile(const std::string& name, int note = 60, int channel = 0) const;
};
