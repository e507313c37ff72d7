#pragma once

#include "App.h"
#include "FltEventLoop.h"
#include "FltTempHome.h"
#include "MyBrowser.h"
#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using Lines = std::vector<std::string>;

// The player as a user starts it, on a store in a temporary HOME; message boxes are
// collected instead of shown.
class PlayerTest : public ::testing::Test {
protected:
    TempHome home;
    TempDir folder;
    std::unique_ptr<App> app;
    Lines messages;

    // `store` ("Pause:4", ...) replaces the store's root group unless empty; `arguments`
    // follow the program's name on the command line.
    void openPlayer(const Lines& store = {}, Lines arguments = {}) {
        if (!store.empty())
            writeStore(store);
        // Suites that start JACK servers point at their own; the rest never reach a user's.
        setenv("JACK_DEFAULT_SERVER", "veltrano-absent-server", 0);
        Flt_AppSetup setup = Flt_AppSetup::sizable(900, 627);
        setup.title = "Veltrano V1.4";
        setup.vendor = "nvx";
        setup.appName = "Veltrano";
        app = std::make_unique<App>(setup);
        app->messageSink = [this](const std::string& text) { messages.push_back(text); };
        app->show(); // what run does before its event loop
        std::vector<char*> argv = {const_cast<char*>("veltrano")};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        app->onStart(static_cast<int>(argv.size()), argv.data());
        loopFor(0.3);
    }
    void writeStore(const Lines& store) {
        const std::string storeFolder = home.path() + "/.fltk/nvx";
        std::filesystem::create_directories(storeFolder);
        std::ofstream file(storeFolder + "/Veltrano.prefs");
        file << "; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n[.]\n";
        for (const std::string& line : store)
            file << line << "\n";
    }
    // Destroys the player, which writes its store; returns the store's text.
    std::string closePlayer() {
        app.reset();
        return home.storeText("nvx", "Veltrano");
    }
    Lines lines() const {
        Lines shown;
        for (int line = 1; line <= app->playlist->size(); ++line)
            shown.push_back(app->playlist->text(line));
        return shown;
    }
    // A one-track file of a note on `channel`.
    std::string midiFile(const std::string& name, int note = 60, int channel = 0) const {
        const auto on = static_cast<unsigned char>(0x90 | channel);
        const auto key = static_cast<unsigned char>(note);
        SmfTrackBuilder track;
        track.channel(0, {on, key, 100}).channel(48, {on, key, 0}).endOfTrack();
        return folder.write(name, singleTrackFile(track.body(), 480));
    }
};
