#include "AppTestSupport.h"

#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "MyBrowser.h"

#include <FL/Fl_Button.H>
#include <jack/jack.h>

#include <string>
#include <vector>

namespace {

using Names = std::vector<std::string>;

// A JACK client with as many MIDI inputs as a test asks for: the player lists them as
// output ports.
class InputPorts {
public:
    InputPorts(const std::string& clientName, const Names& portNames) {
        client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
        if (!client)
            return;
        for (const std::string& name : portNames)
            jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_activate(client);
    }
    ~InputPorts() {
        if (client)
            jack_client_close(client);
    }
    bool ok() const { return client != nullptr; }

private:
    jack_client_t* client = nullptr;
};

// The entries of the output submenu as the menu shows them, with their ids, in order.
struct Entry {
    std::string shown;
    bool submenu;
};
std::vector<Entry> outputEntries(App& app) {
    std::vector<Entry> entries;
    const Fl_Menu_Item* item = app.menubar->find_item("Settings/Select MIDI output/(None)");
    for (int depth = 0; item && (item->label() || depth > 0); ++item) {
        if (!item->label()) {
            --depth;
            continue;
        }
        if (depth == 0)
            entries.push_back({item->label(), item->submenu() != 0});
        if (item->submenu())
            ++depth;
    }
    return entries;
}

// How the menu draws a label: a doubled "&" or "@" shows once.
std::string drawnText(const std::string& label) {
    std::string text;
    for (size_t i = 0; i < label.size(); ++i) {
        text += label[i];
        if ((label[i] == '&' || label[i] == '@') && i + 1 < label.size() &&
            label[i + 1] == label[i])
            ++i;
    }
    return text;
}

using OutputMenu = PlayerTest;

TEST_F(OutputMenu, OffersEachPortUnderItsExactNameUpToTwenty) {
    JackServer server;
    ASSERT_TRUE(server.ready());
    const Names odd = {"in/out", "Drums & Bass", "_lead", "@home", "back\\slash", "a&&b@"};
    Names many = odd;
    for (int i = 0; i < 19; ++i)
        many.push_back("port " + std::to_string(i));
    for (const Names& ports : {Names{}, Names{"in/out", "_lead"}, many}) {
        InputPorts client("odd", ports);
        ASSERT_TRUE(client.ok());
        openPlayer();
        ASSERT_EQ(app->outputNames.size(), ports.size());
        const std::vector<Entry> entries = outputEntries(*app);
        ASSERT_EQ(entries.size(), std::min<size_t>(ports.size(), 20) + 1);
        EXPECT_EQ(entries[0].shown, "(None)");
        for (size_t i = 1; i < entries.size(); ++i) {
            EXPECT_EQ(drawnText(entries[i].shown), app->outputNames[i - 1]);
            EXPECT_FALSE(entries[i].submenu) << entries[i].shown;
        }
        app.reset();
    }
}

TEST_F(OutputMenu, ChoosingAPortByItsEntryOpensThatPortAndPlays) {
    JackServer server;
    ASSERT_TRUE(server.ready());
    MidiReceiver receiver("veltrano/receiver");
    ASSERT_TRUE(receiver.ready());
    const std::string song = midiFile("song.mid");
    openPlayer({"Files0:" + song});
    ASSERT_EQ(lines().size(), 1u) << ::testing::PrintToString(messages);
    const int number = receiver.indexIn(app->outputNames);
    ASSERT_GE(number, 0);

    StdoutCapture out;
    const int none = app->menubar->find_index("Settings/Select MIDI output/(None)");
    app->menubar->picked(&app->menubar->menu()[none + 1 + number]); // as a click does
    ASSERT_NE(app->output.port, nullptr);
    EXPECT_TRUE(out.contains("MIDIdevice = " + std::to_string(number + 1)));

    app->buttonPressed(app->startButton);
    EXPECT_EQ(std::string(app->startButton->label()), "Stop");
    EXPECT_EQ(lines().front(), ">> song");
    EXPECT_TRUE(loopUntil([this] { return !app->player.isRunning(); }, 10));
    EXPECT_EQ(std::string(app->startButton->label()), "Start");
    EXPECT_EQ(lines().front(), "song");
    ASSERT_TRUE(receiver.waitFor(2));
    EXPECT_EQ(receiver.messages()[0].bytes, (std::vector<unsigned char>{0x90, 60, 100}));
    EXPECT_TRUE(out.contains("Thread running: " + song));
    EXPECT_TRUE(out.contains("Next cmd = 2"));
    EXPECT_EQ(app->nextCommand, NextStop);
    EXPECT_TRUE(messages.empty());
}

} // namespace
