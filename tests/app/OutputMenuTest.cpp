#include "AppTestSupport.h"

#include "JackServer.h"
#include "MyBrowser.h"

#include <jack/jack.h>

#include <algorithm>

namespace {

using Names = std::vector<std::string>;

// A JACK client with one MIDI input per name: the player lists each as an output port.
struct InputPorts {
    jack_client_t* client;
    explicit InputPorts(const Names& names)
        : client(jack_client_open("odd", JackNoStartServer, nullptr)) {
        for (const std::string& name : names)
            jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_activate(client);
    }
    ~InputPorts() { jack_client_close(client); }
};

// What the menu shows of a label: a doubled "&" or "@" shows once; a single one is a mark
// (underline, symbol) that does not show as itself.
std::string drawnText(const std::string& label) {
    std::string text;
    for (size_t i = 0; i < label.size(); ++i) {
        const bool mark = label[i] == '&' || label[i] == '@';
        const bool doubled = mark && i + 1 < label.size() && label[i + 1] == label[i];
        if (!mark || doubled)
            text += label[i];
        i += doubled ? 1 : 0;
    }
    return text;
}

using OutputMenu = PlayerTest;

TEST_F(OutputMenu, OffersEachPortAsOneEntryUnderItsExactNameUpToTwenty) {
    JackServer server;
    ASSERT_TRUE(server.ready());
    Names many = {"in/out", "Drums & Bass", "_lead", "@home", "back\\slash", "a&&b@"};
    for (int i = 0; i < 19; ++i)
        many.push_back("port " + std::to_string(i));
    for (const Names& ports : {Names{}, Names{"in/out", "_lead"}, many}) {
        InputPorts client(ports);
        openPlayer();
        ASSERT_EQ(app->outputNames.size(), ports.size());
        const Fl_Menu_Item* none = app->menubar->find_item("Settings/Select MIDI output/(None)");
        ASSERT_NE(none, nullptr);
        size_t entries = 1;
        for (const Fl_Menu_Item* item = none + 1; item->label(); ++item, ++entries) {
            EXPECT_FALSE(item->submenu()) << item->label();
            EXPECT_EQ(drawnText(item->label()), app->outputNames[entries - 1]);
        }
        EXPECT_EQ(entries, std::min<size_t>(ports.size(), 20) + 1);
        app.reset();
    }
}

// Each start lists the ports in another order, so a stored number can name another port.
TEST_F(OutputMenu, AStoredNameFindsItsPortWhereverItStandsAndAnOldStoreGoesByNumber) {
    JackServer server;
    ASSERT_TRUE(server.ready());
    struct Case {
        Names ports, store;
        std::string opens; // empty: nothing opens, "(None)" stays on, the store is kept
    } const cases[] = {
        {{"new", "b", "more", "a"}, {"MIDIdevice:2", "MIDIdeviceName:odd:a"}, "odd:a"},
        {{"a", "b"}, {"MIDIdevice:1", "MIDIdeviceName:odd:b [4242]"}, "odd:b"},
        {{"a", "b"}, {"MIDIdevice:1", "MIDIdeviceName:odd:gone"}, ""},
        {{"b"}, {"MIDIdevice:1"}, "odd:b"},
        {{"a", "b"}, {"MIDIdevice:3"}, ""},
    };
    for (const Case& c : cases) {
        InputPorts client(c.ports);
        openPlayer(c.store);
        const auto found = std::find(app->outputNames.begin(), app->outputNames.end(), c.opens);
        const int on = c.opens.empty() ? 0 : 1 + static_cast<int>(found - app->outputNames.begin());
        const int none = app->menubar->find_index("Settings/Select MIDI output/(None)");
        EXPECT_NE(app->menubar->menu()[none + on].value(), 0) << c.store.back();
        EXPECT_EQ(app->output.port != nullptr, on != 0) << c.store.back();
        const std::string store = closePlayer();
        const Names expected =
            on == 0 ? c.store
                    : Names{"MIDIdevice:" + std::to_string(on), "MIDIdeviceName:" + c.opens};
        for (const std::string& line : expected)
            EXPECT_NE(store.find("\n" + line + "\n"), std::string::npos) << line;
        EXPECT_TRUE(messages.empty());
    }
}

} // namespace
