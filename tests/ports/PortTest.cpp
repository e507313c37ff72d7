#include "JackServer.h"
#include "MidiReceiver.h"
#include "ZylmidiOut.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

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

ZylmidiTrack trackOf(const std::vector<Bytes>& messages, uint32_t delta) {
    ZylmidiTrack track;
    for (const Bytes& message : messages)
        track.events.push_back({delta, message});
    return track;
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
    void SetUp() override { ASSERT_TRUE(server->ready() && receiver->ready() && other->ready()); }

    inline static std::unique_ptr<JackServer> server;
    inline static std::unique_ptr<MidiReceiver> receiver, other;
    ZylmidiOut out;
};

TEST_F(Port, SendsBytesUnchangedToTheChosenPortOnlyAndRefusesWhatCannotGo) {
    EXPECT_EQ(out.send({0x90, 60, 100}), RtMidiError::INVALID_USE) << "no port open";
    EXPECT_EQ(out.play({}, 0.001, {}, {}), RtMidiError::INVALID_USE);
    EXPECT_EQ(out.portName(0), "");
    std::vector<std::string> names;
    // Where the machine has no ALSA sequencer, ALSA is not even asked: not a line.
    EXPECT_EQ(stderrOf([&] { names = ZylmidiOut::portNames(); }), "");
    EXPECT_NE(receiver->indexIn(names), other->indexIn(names));
    std::string errors = stderrOf([&] { EXPECT_NE(out.open(names.size()), 0); });
    EXPECT_EQ(countOf(errors, "RtMidi instantiation error "), 1) << errors << "beyond the list";

    Bytes longest(JackSendBudget::LongestMessage, 0x11); // what RtMidi's JACK buffer takes
    longest[0] = 0xF0;
    // Meta events too go as they stand.
    const std::vector<Bytes> messages = {{0x80, 0x3C, 0x40},
                                         {0x91, 0x3C, 0x64},
                                         {0xA2, 0x3C, 0x20},
                                         {0xB3, 0x07, 0x7F},
                                         {0xC4, 0x13},
                                         {0xD5, 0x55},
                                         {0xEF, 0x00, 0x40},
                                         {0xF0, 0x7E, 0x7F},
                                         longest,
                                         {0xF8},
                                         {0xFF, 0x2F}};
    openOn(out, *other);
    EXPECT_EQ(out.portName(static_cast<unsigned>(other->indexIn(names))), other->portName());
    EXPECT_TRUE(other->fedBy("RtMidi Output Client:RtMidi Output")) << "names others rely on";
    const std::size_t before = other->count();
    for (const Bytes& message : messages)
        EXPECT_EQ(out.send(message), 0);
    // RtMidi's JACK output would drop a longer one without a word.
    errors = stderrOf([&] {
        EXPECT_EQ(out.send(Bytes(longest.size() + 1, 0xF0)), RtMidiError::INVALID_PARAMETER);
    });
    EXPECT_EQ(countOf(errors, "Send error "), 1) << errors;
    EXPECT_EQ(out.send({}), RtMidiError::INVALID_PARAMETER);
    out.programChange(128, 0); // no such program
    out.programChange(0, 16);  // no such channel
    out.programChange(127, 15);
    out.setVolume(128, 0xFFFF); // no such volume
    out.setVolume(100, 0x0005);
    std::vector<Bytes> expected = messages;
    expected.insert(expected.end(), {{0xCF, 0x7F}, {0xB0, 0x07, 0x64}, {0xB2, 0x07, 0x64}});
    EXPECT_EQ(receivedUpToMarker(out, *other, before), expected);
    EXPECT_EQ(out.noteState.size(), 2u) << "controllers and programs are no notes";
    EXPECT_EQ(receiver->count(), 0u);
}

// The notes and pedals left down, released once on a port opened anew (they stay marked).
TEST_F(Port, ReleasesSoundingNotesAndPedalsOnTheReopenedPort) {
    // Velocity 0 ends a note; an off for a note never on; too short to name a note; pedals
    // down, down and up; down and up again.
    const std::vector<Bytes> played = {{0x95, 70, 100},  {0x95, 70, 0},  {0x8F, 10, 64},
                                       {0x9A, 127, 127}, {0x9A},         {0x92, 60, 100},
                                       {0xB3, 64, 127},  {0xB0, 64, 64}, {0xB5, 64, 63},
                                       {0xB9, 64, 100},  {0xB9, 64, 0},  {0xB7, 7, 127}};
    openOn(out, *receiver);
    const std::size_t sent = receiver->count() + played.size();
    for (const Bytes& message : played)
        EXPECT_EQ(out.send(message), 0);
    // Over and over: closing once freed RtMidi's buffer while its callback still read it.
    for (int round = 0; round < 10; ++round)
        openOn(out, *other);
    const std::vector<Bytes> released = {
        {0x82, 60, 0x7F}, {0x8A, 127, 0x7F}, {0xB0, 64, 0}, {0xB3, 64, 0}};
    for (const auto& expected : {released, std::vector<Bytes>{}}) {
        const std::size_t before = other->count();
        out.releaseSounding();
        EXPECT_EQ(receivedUpToMarker(out, *other, before), expected);
    }
    EXPECT_EQ(receiver->count(), sent);
}

TEST_F(Port, PlaysEventsInOrderUntilStoppedOrASendFails) {
    openOn(out, *receiver);
    const std::size_t before = receiver->count();
    std::vector<unsigned> observed;
    const ZylmidiTrack chord = trackOf({{0xC0, 5}, {0xFF, 0x2F}, {0x90, 60, 1}, {0x90, 64, 1}}, 5);
    EXPECT_EQ(out.play(chord, 0.001, {}, [&](unsigned index, auto&) { observed.push_back(index); }),
              0);
    EXPECT_EQ(observed, (std::vector<unsigned>{0, 1, 2, 3}));
    int asks = 0; // five seconds to wait, stopped before the second slice
    EXPECT_EQ(out.play(trackOf({{0x80, 60, 0}}, 4800), 0.001, [&] { return ++asks == 2; }, {}),
              PlayStopped);
    EXPECT_EQ(out.play(trackOf({{0x90, 62, 1}, {}, {0x80, 62, 0}}, 0), 1.0, {}, {}),
              RtMidiError::INVALID_PARAMETER);
    const std::vector<Bytes> expected = {{0xC0, 5},     {0xFF, 0x2F},     {0x90, 60, 1},
                                         {0x90, 64, 1}, {0x80, 60, 0x7F}, {0x80, 64, 0x7F},
                                         {0x90, 62, 1}};
    EXPECT_EQ(receivedUpToMarker(out, *receiver, before), expected);
}

// The server stalls in a burst of sends, and then is killed while a track plays on a thread
// of its own, as the player plays it. No call waits for it longer than a bound that only a
// hang exceeds, and each failure says so in a line; the dead server's clients are kept.
TEST_F(Port, CallsOnAStalledOrKilledServerFailInsteadOfWaiting) {
    ZylmidiOut openWhenStalled;
    openOn(openWhenStalled, *receiver);
    openOn(out, *receiver);
    int failures = 0, last = 0;
    Clock::duration longest{};
    std::string errors = stderrOf([&] {
        for (int sent = 0; sent < 20000; ++sent) {
            if (sent == 2000)
                server->stall();
            const auto start = Clock::now();
            last = out.send({0x90, static_cast<unsigned char>(sent % 128), 100});
            longest = std::max(longest, Clock::now() - start);
            failures += last != 0;
        }
    });
    EXPECT_LT(longest, std::chrono::seconds(3)) << "a second without cycles, then they fail";
    EXPECT_EQ(last, RtMidiError::DRIVER_ERROR);
    EXPECT_EQ(countOf(errors, "Send error "), failures);

    const auto start = Clock::now(); // closing gives up after 100 ms, opening after 500
    errors = stderrOf([&] {
        openWhenStalled.close();
        EXPECT_EQ(out.open(0), RtMidiError::DRIVER_ERROR);
    });
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(countOf(errors, "ZylmidiOut::close: "), 1) << errors;
    EXPECT_EQ(countOf(errors, "RtMidi instantiation error "), 1) << errors;
    server->resume(); // the open given up goes on in libjack until now

    openOn(out, *receiver);
    ZylmidiTrack busy = trackOf({}, 1); // 20 s of a note struck and released
    for (int index = 0; index < 20000; ++index)
        busy.events.push_back({1, {static_cast<unsigned char>(0x80 + index % 2 * 0x10), 61, 1}});
    int played = 0;
    errors = stderrOf([&] {
        std::thread playback([&] { played = out.play(busy, 0.001, {}, {}); });
        EXPECT_TRUE(receiver->waitFor(receiver->count() + 50));
        server->kill();
        playback.join();
    });
    EXPECT_EQ(played, RtMidiError::DRIVER_ERROR);
    EXPECT_EQ(countOf(errors, "Send error "), 1) << errors;
    while (!receiver->serverGone() || !other->serverGone())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    // More than RtMidi's JACK buffer holds, which its send would wait for ever to empty.
    failures = 0;
    errors = stderrOf([&] {
        for (int sent = 0; sent < 3000; ++sent)
            failures += out.send({0x90, 62, 100}) == RtMidiError::DRIVER_ERROR;
    });
    EXPECT_EQ(failures, 3000);
    EXPECT_EQ(countOf(errors, "Send error "), 3000);
    errors = stderrOf([&] {
        EXPECT_TRUE(ZylmidiOut::portNames().empty());
        EXPECT_NE(out.open(0), 0);
    });
    EXPECT_EQ(countOf(errors, "RtMidi error "), 0) << errors;
    EXPECT_EQ(countOf(errors, "RtMidi instantiation error "), 1) << errors;
}
