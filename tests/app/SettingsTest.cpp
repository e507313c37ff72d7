#include "AppTestSupport.h"

#include "FltStdoutCapture.h"
#include "MyBrowser.h"

namespace {

using Settings = PlayerTest;

bool isOn(App& app, const char* path) {
    const Fl_Menu_Item* item = app.menubar->find_item(path);
    return item && item->value();
}

TEST_F(Settings, AFirstStartUsesTheDefaults) {
    StdoutCapture out;
    openPlayer();
    EXPECT_TRUE(out.contains("MIDIdevice = 0"));
    EXPECT_TRUE(isOn(*app, "Settings/Select MIDI output/(None)"));
    EXPECT_TRUE(isOn(*app, "Settings/Pause between files/1 sec"));
    EXPECT_FALSE(app->menubar->value(CmdContinuous));
    EXPECT_EQ(app->pauseSeconds, 1.0);
    EXPECT_TRUE(messages.empty());
}

struct PauseCase {
    const char* stored;
    double seconds;
    const char* entryOn;
};

TEST_F(Settings, StoredPausesGoThroughTheMenuAction) {
    const std::vector<PauseCase> cases = {
        {"Pause:4", 5.0, "Settings/Pause between files/5 sec"},
        {"Pause:10", 11.0, "Settings/Pause between files/1 sec"},
        {"Pause:21", 1.0, "Settings/Pause between files/1 sec"},
        {"Pause:-3", 1.0, "Settings/Pause between files/1 sec"},
    };
    for (const PauseCase& c : cases) {
        openPlayer({c.stored, "MIDIdevice:3"}); // no port listed: "(None)" stays on
        EXPECT_EQ(app->pauseSeconds, c.seconds) << c.stored;
        EXPECT_TRUE(isOn(*app, c.entryOn)) << c.stored;
        EXPECT_TRUE(isOn(*app, "Settings/Select MIDI output/(None)")) << c.stored;
        app.reset();
    }
    openPlayer();
    app->menuCommand(CmdFirstPause + 2);
    EXPECT_EQ(app->pauseSeconds, 3.0);
    EXPECT_NE(closePlayer().find("Pause:2"), std::string::npos);
}

TEST_F(Settings, ThePlaylistAndTogglesSurviveARestart) {
    const std::string a = midiFile("a.mid"), b = midiFile("b.mid", 61), c = midiFile("c.mid");
    openPlayer({"Files0:" + a, "Files1:" + b, "Files2:" + folder.file("gone.mid"), "Files3:" + c,
                "CheckDeleika:1"});
    EXPECT_EQ(messages, std::vector<std::string>{"Non Deleika compatile (-4): " + b +
                                                 "\nSkipped non-file " + folder.file("gone.mid")});
    app->menubar->setValue(CmdContinuous, true);
    app->playlist->moveFirstToEnd();
    ASSERT_TRUE(app->onClose());
    const std::string store = closePlayer();
    for (const char* key : {"Continuous:1", "CheckDeleika:1", "Files0:", "Files1:"})
        EXPECT_NE(store.find(key), std::string::npos) << key;
    EXPECT_EQ(store.find("Files2:"), std::string::npos);

    openPlayer();
    EXPECT_EQ(app->playlist->paths(), (std::vector<std::string>{c, a}));
    EXPECT_TRUE(app->menubar->value(CmdContinuous));
}

} // namespace
