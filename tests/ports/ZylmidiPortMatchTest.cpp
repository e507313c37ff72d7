#include "ZylmidiPortMatch.h"

#include <gtest/gtest.h>

TEST(ZylmidiPortMatchTest, FindsTheStoredPortByName) {
    const std::vector<std::string> now = {
        "Midi Through:Midi Through Port-0 14:0",
        "FLUID Synth (5121):Synth input port (5121:0) 130:0",
        "USB Keys:USB Keys MIDI 1 24:0",
        "USB Keys:USB Keys MIDI 1 28:0",
        "fluidsynth-midi:midi_00",
        "fluidsynth-midi:midi_01",
        "Organ [4242]:out",
    };
    struct Case {
        std::string stored;
        int expected;
    };
    const Case cases[] = {
        {"USB Keys:USB Keys MIDI 1 28:0", 3},                    // exact wins over stable
        {"USB Keys:USB Keys MIDI 1 20:0", 2},                    // renumbered: first of two
        {"FLUID Synth (880):Synth input port (880:0) 128:0", 1}, // new pid, new client
        {"Midi Through:Midi Through Port-0 15:0", 0},
        {"fluidsynth-midi:midi_01", 5},
        {"fluidsynth-midi:midi_02", -1}, // port names keep digits
        {"Organ [17]:out", 6},
        {"Organ:out", 6},
        {"Other Synth:in 128:0", -1},
        {"", -1},
        {"128:0", -1}, // nothing stable is left
    };
    for (const Case& c : cases)
        EXPECT_EQ(findPortByName(now, c.stored), c.expected) << c.stored;
    EXPECT_EQ(findPortByName({}, "fluidsynth-midi:midi_00"), -1);
}
