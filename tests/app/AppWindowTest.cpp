#include "AppTestSupport.h"

#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "FltXdotool.h"
#include "MyBrowser.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>

// After gtest: X11's macros clash with its names.
#include <FL/x.H>

#include <cstdlib>

namespace {

using Box = std::vector<int>;

void expectPlace(const Fl_Widget* widget, Box place) {
    EXPECT_EQ((Box{widget->x(), widget->y(), widget->w(), widget->h()}), place) << widget->label();
}

void expectLayout(App& app, int width, int height) {
    expectPlace(app.menubar, {0, 0, width, 25});
    const Fl_Button* column[] = {app.startButton,      app.playNowButton, app.playNextButton,
                                 app.resetSpeedButton, app.slowerButton,  app.fasterButton};
    for (int i = 0; i < 6; ++i)
        expectPlace(column[i], {0, 25 + 100 * i, 250, 100});
    expectPlace(app.playlist, {250, 25, width - 250, height - 25});
}

std::string windowId(Fl_Window* window) {
    return std::to_string(fl_xid(window));
}

using PlayerWindow = PlayerTest;

// The store is read through the menu actions at start and written at close.
TEST_F(PlayerWindow, ReservedKeysDoNothingAndQStoresAndCloses) {
    const std::string song = midiFile("song.mid"), gone = folder.file("gone.mid");
    openPlayer({"Files0:" + gone, "Files1:" + song, "Pause:4", "MIDIdevice:3", "Continuous:1"});
    EXPECT_EQ(messages, std::vector<std::string>{"Skipped non-file " + gone});
    EXPECT_EQ(app->pauseSeconds, 5.0);
    EXPECT_NE(app->menubar->find_item("Settings/Pause between files/5 sec")->value(), 0);
    EXPECT_NE(app->menubar->find_item("Settings/Select MIDI output/(None)")->value(), 0);
    app->playlist->select(1);
    Fl::focus(app->playlist);
    for (const char* key : {"Escape", "Left", "ctrl+Left", "ctrl+p"}) {
        runXdotool({"windowfocus", "--sync", windowId(app.get()), "key", key});
        EXPECT_TRUE(app->shown()) << key;
        EXPECT_EQ(Fl::focus(), app->playlist) << key;
        EXPECT_EQ(app->playlist->selectedLine(), 1) << key;
    }
    runXdotool({"windowfocus", "--sync", windowId(app.get()), "key", "q"});
    EXPECT_TRUE(loopUntil([this] { return !app->shown(); }, 10));
    const std::string store = closePlayer();
    for (const std::string& kept :
         {"Files0:" + song, std::string("Pause:4"), std::string("Continuous:1")})
        EXPECT_NE(store.find(kept), std::string::npos) << kept;
    EXPECT_EQ(store.find("Files1:"), std::string::npos);
}

// A first start stores only its pause; a chosen pause is on disk at once, the toggles at close.
// The buttons stay put and the playlist fills the rest.
TEST_F(PlayerWindow, FirstStartLaysOutAndStoresChoicesAtOnceAndTogglesAtClose) {
    StdoutCapture out;
    openPlayer();
    expectLayout(*app, 900, 627);
    app->resize(app->x(), app->y(), 1200, 800);
    loopFor(0.2);
    expectLayout(*app, 1200, 800);
    EXPECT_TRUE(out.contains("MIDIdevice = 0"));
    EXPECT_TRUE(messages.empty());
    const std::string first = home.storeText("nvx", "Veltrano");
    EXPECT_NE(first.find("Pause:0"), std::string::npos) << first;
    EXPECT_EQ(first.find("MIDIdevice"), std::string::npos) << first;
    app->menubar->picked(app->menubar->find_item("Settings/Pause between files/3 sec"));
    app->menubar->picked(app->menubar->find_item("Settings/Play all tracks"));
    app->menubar->picked(app->menubar->find_item("Settings/Follow tempo changes"));
    const std::string chosen = home.storeText("nvx", "Veltrano");
    EXPECT_NE(chosen.find("Pause:2"), std::string::npos) << chosen;
    EXPECT_EQ(chosen.find("AllTracks"), std::string::npos) << chosen;
    app->menuCommand(CmdExit);
    const std::string closed = closePlayer();
    for (const char* kept : {"AllTracks:1", "FollowTempo:1", "Continuous:0"})
        EXPECT_NE(closed.find(kept), std::string::npos) << kept << closed;
    openPlayer();
    EXPECT_TRUE(app->menubar->value(CmdAllTracks) && app->menubar->value(CmdFollowTempo));
    EXPECT_EQ(app->pauseSeconds, 3.0);
}

// The one real box of the suite: shown, found by its text, closed as a user would.
TEST_F(PlayerWindow, AMessageIsARealBoxClosedByItsButton) {
    openPlayer();
    app->messageSink = nullptr;
    static bool seen;
    seen = false;
    Fl::add_timeout(
        0.5,
        [](void* window) {
            Fl_Window* box = Fl::first_window();
            if (box == window || !box)
                return;
            for (int i = 0; i < box->children(); ++i) {
                const char* text = box->child(i)->label();
                seen = seen || (text && std::string(text) == "Skipped non-file /nowhere");
            }
            const std::string close = "xdotool windowfocus --sync " + windowId(box) + " key Escape";
            EXPECT_EQ(std::system(close.c_str()), 0);
        },
        app.get());
    app->showMessage("Skipped non-file /nowhere");
    EXPECT_TRUE(seen);
}

} // namespace
