#include "JackServer.h"
#include "MidiReceiver.h"
#include "ZylmidiOut.h"
#include "ZylmidiPortMatch.h"
#include "ZylmidiSchedule.h"
#include "ZylmidiWire.h"
#include "ZylorganScale.h"

#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What `run` writes on standard error.
template <typename Run> std::string stderrOf(Run run) {
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

// How often `words` occur in `text`.
int countOf(const std::string& text, const std::string& words) {
    int count = 0;
    for (auto at = text.find(words); at != std::string::npos; at = text.find(words, at + 1))
        ++count;
    return count;
}

void openOn(ZylmidiOut& out, const MidiReceiver& receiver) {
    ASSERT_EQ(out.open(static_cast<unsigned>(receiver.indexIn(ZylmidiOut::portNames()))), 0);
}

// Sends a marker (sysex "mark") and returns what `receiver` got from message number `from`
// up to it: once it arrives, everything sent before it has too.
std::vector<Bytes> receivedUpToMarker(ZylmidiOut& out, const MidiReceiver& receiver,
                                      std::size_t from) {
    const Bytes marker = {0xF0, 0x7D, 0x6D, 0x61, 0x72, 0x6B};
    std::vector<Bytes> got;
    EXPECT_EQ(out.send(marker), 0);
    for (; receiver.waitFor(from + 1) && receiver.messages(from)[0].bytes != marker; ++from)
        got.push_back(receiver.messages(from)[0].bytes);
    return got;
}

} // namespace

// One private server with two receivers for the whole suite; the faults come last.
class Port : public testing::Test {
protected:
    static void SetUpTestSuite() {
        server = std::make_unique<JackServer>();
        receiver = std::make_unique<MidiReceiver>();
        other = std::make_unique<MidiReceiver>("veltrano-other");
    }
    static void TearDownTestSuite() {
        other.reset();
        receiver.reset();
        server.reset();
    }

    inline static std::unique_ptr<JackServer> server;
    inline static std::unique_ptr<MidiReceiver> receiver, other;
    ZylmidiOut out;
};

TEST_F(Port, SendsBytesUnchangedToTheChosenPortOnlyAndRefusesWhatCannotGo) {
    const std::size_t heard = receiver->count();
    EXPECT_EQ(out.send({0x90, 60, 100}), RtMidiError::INVALID_USE) << "no port open";
    EXPECT_EQ(out.play({}, 0.001, {}, {}), RtMidiError::INVALID_USE);
    EXPECT_EQ(out.portName(0), "");
    std::vector<std::string> names;
    // Where the machine has no ALSA sequencer, ALSA is not even asked: not a line.
    EXPECT_EQ(stderrOf([&] { names = ZylmidiOut::portNames(); }), "");
    std::string errors = stderrOf([&] { EXPECT_NE(out.open(names.size()), 0); });
    EXPECT_EQ(countOf(errors, "RtMidi instantiation error "), 1) << errors << "beyond the list";

    // Meta events too go as they stand, and the longest message RtMidi's JACK buffer takes.
    std::vector<Bytes> messages = {{0x80, 0x3C, 0x40}, {0x91, 0x3C, 0x64}, {0xA2, 0x3C, 0x20},
                                   {0xB3, 0x07, 0x7F}, {0xC4, 0x13},       {0xD5, 0x55},
                                   {0xEF, 0x00, 0x40}, {0xF0, 0x7E, 0x7F}, {0xF8},
                                   {0xFF, 0x2F}};
    messages.emplace_back(JackSendBudget::LongestMessage, 0xF0);
    openOn(out, *other);
    EXPECT_EQ(out.portName(0), names[0]);
    const std::size_t before = other->count();
    for (const Bytes& message : messages)
        EXPECT_EQ(out.send(message), 0);
    // RtMidi's JACK output would drop a longer one without a word.
    errors = stderrOf([&] {
        EXPECT_EQ(out.send(Bytes(JackSendBudget::LongestMessage + 1, 0xF0)),
                  RtMidiError::INVALID_PARAMETER);
    });
    EXPECT_EQ(countOf(errors, "Send error "), 1) << errors;
    EXPECT_EQ(out.send({}), RtMidiError::INVALID_PARAMETER);
    out.programChange(128, 0); // no such program
    out.programChange(0, 16);  // no such channel
    out.programChange(127, 15);
    out.setVolume(128, 0xFFFF); // no such volume
    out.setVolume(100, 0x0005);
    messages.insert(messages.end(), {{0xCF, 0x7F}, {0xB0, 0x07, 0x64}, {0xB2, 0x07, 0x64}});
    EXPECT_EQ(receivedUpToMarker(out, *other, before), messages);
    EXPECT_EQ(receiver->count(), heard);
}

// A track played to its end, one stopped in a wait (the sounding notes are then released)
// and one cut short by a failed send; what they leave sounding, a note and the pedals
// left down, is released on a port opened anew (they stay marked) and only once. In the
// track: velocity 0 ends a note; an off for a note never on; too short to name a note;
// pedals down, down and up; down and up again.
TEST_F(Port, PlaysTracksAndReleasesWhatTheyLeftSoundingOnTheReopenedPort) {
    std::vector<Bytes> expected = {{0x95, 70, 100}, {0x95, 70, 0}, {0x8F, 10, 64},  {0x9A, 127, 1},
                                   {0x9A},          {0x92, 60, 1}, {0xB3, 64, 127}, {0xB0, 64, 64},
                                   {0xB5, 64, 63},  {0xB9, 64, 1}, {0xB9, 64, 0},   {0xFF, 0x2F}};
    ZylmidiTrack played;
    for (const Bytes& message : expected)
        played.events.push_back({1, message});
    openOn(out, *receiver);
    const std::size_t before = receiver->count();
    unsigned observed = 0;
    EXPECT_EQ(
        out.play(played, 0.001, {}, [&](unsigned index, auto&) { EXPECT_EQ(index, observed++); }),
        0);
    int asks = 0; // five seconds to wait, stopped before the second slice
    EXPECT_EQ(
        out.play(ZylmidiTrack({{4800, {0x80, 60, 0}}}), 0.001, [&] { return ++asks == 2; }, {}),
        PlayStopped);
    EXPECT_EQ(out.play(ZylmidiTrack({{0, {0x91, 62, 1}}, {0, {}}}), 1.0, {}, {}),
              RtMidiError::INVALID_PARAMETER);
    expected.insert(expected.end(), {{0x82, 60, 0x7F}, {0x8A, 127, 0x7F}, {0x91, 62, 1}});
    EXPECT_EQ(receivedUpToMarker(out, *receiver, before), expected);
    EXPECT_EQ(observed, played.events.size());
    const std::size_t heard = receiver->count();
    // Over and over: closing once freed RtMidi's buffer while its callback still read it.
    for (int round = 0; round < 10; ++round)
        openOn(out, *other);
    for (const auto& left :
         {std::vector<Bytes>{{0x81, 62, 0x7F}, {0xB0, 64, 0}, {0xB3, 64, 0}}, {}}) {
        const std::size_t from = other->count();
        out.releaseSounding();
        EXPECT_EQ(receivedUpToMarker(out, *other, from), left);
    }
    EXPECT_EQ(receiver->count(), heard);
}

// The server stalls, and once it resumed is killed, in the midst of a burst of sends. No
// call waits for it longer than a bound that only a hang exceeds (without a cycle for a
// second it counts as gone), each failure says so in a line, and the clients of the dead
// server are kept.
TEST_F(Port, CallsOnAStalledOrKilledServerFailInsteadOfWaiting) {
    ZylmidiOut openWhenStalled;
    openOn(openWhenStalled, *receiver);
    for (const bool stall : {true, false}) {
        SCOPED_TRACE(stall ? "stalled" : "killed");
        openOn(out, *receiver);
        int failures = 0, last = 0;
        Clock::duration longest{};
        std::string errors = stderrOf([&] {
            for (int sent = 0; sent < 20000; ++sent) {
                if (sent == 2000)
                    stall ? server->stall() : server->kill();
                const auto start = Clock::now();
                last = out.send({0x90, static_cast<unsigned char>(sent % 128), 100});
                longest = std::max(longest, Clock::now() - start);
                failures += last != 0;
            }
        });
        EXPECT_LT(longest, std::chrono::seconds(3));
        EXPECT_EQ(last, RtMidiError::DRIVER_ERROR);
        EXPECT_EQ(countOf(errors, "Send error "), failures);
        for (int waited = 0;
             !stall && waited < 10000 && !(receiver->serverGone() && other->serverGone()); ++waited)
            std::this_thread::sleep_for(milliseconds(1));

        const auto start = Clock::now(); // closing gives up after 100 ms, opening after 500
        errors = stderrOf([&] {
            openWhenStalled.close();
            EXPECT_NE(out.open(0), 0);
            EXPECT_TRUE(stall || ZylmidiOut::portNames().empty()) << "a dead server lists nothing";
        });
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(countOf(errors, "ZylmidiOut::close: "), stall ? 1 : 0) << errors;
        EXPECT_EQ(countOf(errors, "RtMidi instantiation error "), 1) << errors;
        EXPECT_EQ(countOf(errors, "RtMidi error "), 0) << errors;
        server->resume(); // the open given up goes on in libjack until now
    }
}

// Where the machine stalled for longer than 100 ms, the late event goes at once (and a
// speed that is not positive counts as 1), not a burst of events behind it. And 192 waits of
// 5 ticks at 480 a beat take one second: sleeping whole milliseconds for each would end 4%
// early, and counting each wait from a slow send far too late.
TEST(Schedule, AStallRestartsItAndSlowSendsOrLateWakeUpsDoNotAddUp) {
    Clock::time_point start = Clock::now();
    ZylmidiSchedule stalled(start - milliseconds(300));
    ASSERT_TRUE(stalled.wait(0.01, 0.0, {}) && stalled.wait(0.05, -1.0, {}));
    EXPECT_GE(Clock::now(), start + milliseconds(50)) << "the gaps stay";
    EXPECT_EQ(stalled.restarts(), 1u);
    ZylmidiSchedule schedule(start = Clock::now());
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

// Pauses: a stop on the second ask leaves 800 µs unslept (slices under a millisecond
// only yield); no duration or no slice ends in one step; an empty predicate never stops.
TEST(InterruptibleSleep, SlicesAsksAndRemainders) {
    int asks = 0;
    const auto secondAskStops = [&] { return ++asks == 2; };
    EXPECT_EQ(interruptibleSleep(1300, secondAskStops, 500), 800);
    EXPECT_EQ(interruptibleSleep(-5, {}, 0), 0);
    EXPECT_EQ(interruptibleSleep(1500, {}, 1000), 0);
}

// Meta events are no MIDI message (FF on the wire is System Reset); system exclusive is
// stored without its closing F7; everything else goes as it is, without a copy.
TEST(WireMessage, WhatAnEventPutsOnTheWire) {
    const ZylmidiEvent note{0, {0x90, 60, 100}}, closed{0, {0xF0, 0x43, 0xF7}};
    Bytes scratch;
    EXPECT_EQ(wireMessage(note, scratch), &note.data);
    EXPECT_EQ(wireMessage(closed, scratch), &closed.data);
    EXPECT_EQ(wireMessage({0, {0xFF, 0x51, 0x07, 0xA1, 0x20}}, scratch), nullptr);
    EXPECT_EQ(wireMessage({0, {}}, scratch), nullptr);
    EXPECT_EQ(*wireMessage({0, {0xF0, 0x7E, 0x09}}, scratch), (Bytes{0xF0, 0x7E, 0x09, 0xF7}));
}

TEST(PortMatch, FindsTheStoredPortByName) {
    const std::vector<std::string> now = {
        "FLUID Synth (5121):Synth input port (5121:0) 130:0", "USB Keys:USB Keys MIDI 1 24:0",
        "USB Keys:USB Keys MIDI 1 28:0", "fluidsynth-midi:midi_01"};
    // Exact wins over stable; renumbered, the first of two; a new pid and client number;
    // port names keep their digits; nothing stable is left.
    const std::pair<std::string, int> cases[] = {
        {"USB Keys:USB Keys MIDI 1 28:0", 2},
        {"USB Keys:USB Keys MIDI 1 20:0", 1},
        {"FLUID Synth [880]:Synth input port (880:0) 128:0", 0},
        {"fluidsynth-midi:midi_02", -1},
        {"128:0", -1},
        {"", -1}};
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
