#include "AppTestSupport.h"

#include "MyBrowser.h"

namespace {

using Settings = PlayerTest;

TEST_F(Settings, StoredPausesAndPortsGoThroughTheMenuActions) {
    const struct {
        const char* stored;
        double seconds;
        const char* entryOn;
    } cases[] = {
        {"Pause:4", 5.0, "Settings/Pause between files/5 sec"},
        {"Pause:10", 11.0, "Settings/Pause between files/1 sec"},
    };
    for (const auto& c : cases) {
        openPlayer({c.stored, "MIDIdevice:3"}); // no port listed: "(None)" stays on
        EXPECT_EQ(app->pauseSeconds, c.seconds) << c.stored;
        EXPECT_NE(app->menubar->find_item(c.entryOn)->value(), 0) << c.stored;
        EXPECT_NE(app->menubar->find_item("Settings/Select MIDI output/(None)")->value(), 0);
        app.reset();
    }
    openPlayer();
    app->menuCommand(CmdFirstPause + 2); // "3 sec"
    EXPECT_NE(closePlayer().find("Pause:2"), std::string::npos);
}

TEST_F(Settings, ThePlaylistAndTogglesSurviveARestart) {
    const std::string a = midiFile("a.mid"), b = midiFile("b.mid", 61), c = midiFile("c.mid");
    const std::string gone = folder.file("gone.mid");
    openPlayer({"Files0:" + a, "Files1:" + b, "Files2:" + gone, "Files3:" + c, "CheckDeleika:1"});
    EXPECT_EQ(messages, std::vector<std::string>{"Non Deleika compatile (-4): " + b +
                                                 "\nSkipped non-file " + gone});
    app->menubar->setValue(CmdContinuous, true);
    app->playlist->moveFirstToEnd();
    ASSERT_TRUE(app->onClose());
    const std::string store = closePlayer();
    EXPECT_NE(store.find("Continuous:1"), std::string::npos);
    EXPECT_EQ(store.find("Files2:"), std::string::npos);

    openPlayer();
    EXPECT_EQ(app->playlist->paths(), (std::vector<std::string>{c, a}));
    EXPECT_TRUE(app->menubar->value(CmdContinuous));
    EXPECT_TRUE(app->menubar->value(CmdCheckOrgan));
}

} // namespace
