#include "ZylmidiPortMatch.h"
#include "ZylmidiSchedule.h"
#include "ZylmidiWire.h"
#include "ZylorganScale.h"

#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <thread>

using Clock = ZylmidiSchedule::Clock;
using std::chrono::milliseconds;

TEST(Schedule, SlowSendsAndLateWakeUpsDoNotAddUp) {
    // 192 waits of 5 ticks at 480 a beat: one second. Sleeping whole milliseconds for each
    // would end 4% early; counting each wait from a slow send would end far too late.
    const Clock::time_point start = Clock::now();
    ZylmidiSchedule schedule(start);
    for (int event = 0; event < 192; ++event) {
        ASSERT_TRUE(schedule.wait(5 * 0.5 / 480, 1.0, {}));
        std::this_thread::sleep_for(milliseconds(2)); // a send that takes its time
    }
    if (schedule.restarts() != 0)
        GTEST_SKIP() << "the machine stalled for more than 100 ms";
    EXPECT_LT(std::chrono::abs(schedule.moment() - (start + std::chrono::seconds(1))),
              std::chrono::microseconds(1));
    EXPECT_LT(Clock::now(), start + std::chrono::seconds(1) + milliseconds(50));
}

TEST(Schedule, FallingFarBehindRestartsInsteadOfBursting) {
    const Clock::time_point start = Clock::now() - milliseconds(20);
    ZylmidiSchedule catchingUp(start); // 10 ms behind: the moments stay where the song puts them
    EXPECT_TRUE(catchingUp.wait(0.01, 1.0, {}));
    EXPECT_EQ(catchingUp.moment(), start + milliseconds(10));
    const Clock::time_point late = Clock::now();
    ZylmidiSchedule stalled(late - milliseconds(300)); // the late event goes now, then the gaps
    ASSERT_TRUE(stalled.wait(0.01, 1.0, {}) && stalled.wait(0.05, 1.0, {}));
    EXPECT_GE(Clock::now(), late + milliseconds(50));
    EXPECT_EQ(catchingUp.restarts() + stalled.restarts(), 1u);
}

// Meta events are no MIDI message (FF on the wire is System Reset); system exclusive is
// stored without its closing F7; everything else goes without a copy.
TEST(WireMessage, WhatAnEventPutsOnTheWire) {
    const std::vector<Bytes> rows[] = {
        {{0x90, 60, 100}, {0x90, 60, 100}},
        {{0xFF, 0x51, 0x07, 0xA1, 0x20}},
        {{}},
        {{0xF0, 0x7E, 0x09}, {0xF0, 0x7E, 0x09, 0xF7}},
        {{0xF0, 0x43, 0xF7}, {0xF0, 0x43, 0xF7}},
    };
    Bytes scratch;
    for (const auto& row : rows) {
        const ZylmidiEvent event{0, row[0]};
        const Bytes* wire = wireMessage(event, scratch);
        const std::vector<Bytes> got =
            wire ? std::vector<Bytes>{row[0], *wire} : std::vector<Bytes>{row[0]};
        EXPECT_EQ(got, row);
        EXPECT_EQ(wire == &event.data, row.size() > 1 && row[0] == row[1]) << row[0].size();
    }
}

TEST(PortMatch, FindsTheStoredPortByName) {
    const std::vector<std::string> now = {
        "FLUID Synth (5121):Synth input port (5121:0) 130:0", "USB Keys:USB Keys MIDI 1 24:0",
        "USB Keys:USB Keys MIDI 1 28:0", "fluidsynth-midi:midi_01", "Organ [4242]:out"};
    const std::pair<std::string, int> cases[] = {
        {"USB Keys:USB Keys MIDI 1 28:0", 2},                    // exact wins over stable
        {"USB Keys:USB Keys MIDI 1 20:0", 1},                    // renumbered: first of two
        {"FLUID Synth (880):Synth input port (880:0) 128:0", 0}, // new pid, new client
        {"fluidsynth-midi:midi_02", -1},                         // port names keep digits
        {"Organ:out", 4},
        {"", -1},
        {"128:0", -1}, // nothing stable is left
    };
    for (const auto& [stored, expected] : cases)
        EXPECT_EQ(findPortByName(now, stored), expected) << stored;
}

TEST(OrganScale, JudgesFilesOnDiskByTheOrgansTwentySixNotes) {
    const ZylorganScale organ; // one object serves every check
    EXPECT_EQ(organ.notes, (Bytes{43, 48, 50, 55, 57, 59, 60, 62, 64, 65, 66, 67, 69,
                                  71, 72, 73, 74, 76, 77, 78, 79, 81, 83, 84, 86, 88}));
    // Track bodies: delta-time, event, delta-time, event...; the end of track is added.
    const std::pair<Bytes, int> cases[] = {
        {{0, 0x90, 43, 90, 0, 0x90, 88, 90, 0, 0x90, 61, 0, 0, 0xB5, 7, 1}, OrganFits},
        {{0, 0x90, 60, 90, 0, 0x90, 61, 90}, OrganNoteOutside},
        {{0, 0x99, 61, 90}, OrganWrongChannel}, // the channel is judged first
    };
    TempDir folder;
    for (auto [body, expected] : cases) {
        appendBytes(body, {0, 0xFF, 0x2F, 0});
        const std::string path = folder.write("song.mid", singleTrackFile(body, 480));
        EXPECT_EQ(organ.checkFile(path.c_str()), expected);
    }
    EXPECT_EQ(organ.checkFile(folder.file("missing.mid").c_str()), OrganUnreadable);
    EXPECT_EQ(organ.checkSong(ZylmidiFile{}), OrganNotOneTrack);
}
