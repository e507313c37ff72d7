#pragma once

#include "App.h"
#include "FltEventLoop.h"
#include "FltTempHome.h"
#include "MyBrowser.h"
#include "SmfBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

using Lines = std::vector<std::string>;

// A track body in wire notation: each event after its delta time in ticks, 9600 (CB 00) being
// 10 s at 480 a quarter. The pedal (on the last channel) and two notes, held: what a stop or
// a quit releases.
inline const Bytes heldTrack = wire("00 BF407F 00 903C64 00 914064 CB00 803C00 00 FF2F00");

// The player as a user starts it, on a store in a temporary HOME; message boxes are
// collected instead of shown.
class PlayerTest : public ::testing::Test {
protected:
    TempHome home;
    TempDir folder;
    std::unique_ptr<App> app;
    Lines messages;

    // `store` ("Pause:4", ...) is the store's root group.
    void openPlayer(const Lines& store = {}) {
        writeStore(store);
        // Suites that start JACK servers point at their own; the rest never reach a user's.
        setenv("JACK_DEFAULT_SERVER", "veltrano-absent-server", 0);
        Flt_AppSetup setup = playerSetup();
        app = std::make_unique<App>(setup);
        app->messageSink = [this](const std::string& text) { messages.push_back(text); };
        app->show(); // what run does before its event loop
        app->onStart(0, nullptr);
        loopFor(0.3);
    }
    void writeStore(const Lines& store) {
        std::filesystem::create_directories(home.path() + "/.fltk/nvx");
        std::ofstream file(home.path() + "/.fltk/nvx/Veltrano.prefs");
        file << "; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n[.]\n";
        for (const std::string& line : store)
            file << line << "\n";
    }
    // Destroys the player here, if one runs, which writes its store; each of `kept` (a line, or
    // several in a row) must then be whole lines of the store.
    void closePlayer(const Lines& kept = {}) {
        app.reset();
        for (const std::string& line : kept)
            EXPECT_TRUE(home.storeHas("nvx", "Veltrano", line))
                << line << "\n"
                << home.storeText("nvx", "Veltrano");
    }
    Lines lines() const {
        Lines shown;
        for (int line = 1; line <= app->playlist->size(); ++line)
            shown.push_back(app->playlist->text(line));
        return shown;
    }
    // A one-track file of one note: `on` is its Note On, in wire notation.
    std::string midiFile(const std::string& name, const std::string& on = "903C64") const {
        const Bytes track = wire("00 " + on + " 30 " + on.substr(0, 4) + "00 00 FF2F00");
        return folder.write(name, singleTrackFile(track, 480));
    }
};
