#include "PortsTestSupport.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// 120 beats per minute at 480 ticks per quarter note.
constexpr double SecondsPerTick = 0.5 / 480;
constexpr auto StopNoticedWithin = std::chrono::seconds(1);

ZylmidiTrack trackOf(const std::vector<std::pair<uint32_t, Bytes>>& events) {
    ZylmidiTrack track;
    for (const auto& [delta, bytes] : events)
        track.events.push_back({delta, bytes});
    return track;
}

std::vector<Bytes> bytesOf(const ZylmidiTrack& track) {
    std::vector<Bytes> all;
    for (const ZylmidiEvent& event : track.events)
        all.push_back(event.data);
    return all;
}

// Two notes struck at once, then a wait of five seconds before the first is released.
const ZylmidiTrack HeldChord = trackOf(
    {{0, {0x90, 60, 100}}, {0, {0x90, 64, 100}}, {4800, {0x80, 60, 0}}, {0, {0x80, 64, 0}}});

} // namespace

using Play = JackSuite;

TEST_F(Play, SendsEveryEventInOrder) {
    const ZylmidiTrack track = trackOf({{0, {0xC0, 5}},
                                        {0, {0xFF, 0x51, 0x07, 0xA1, 0x20}},
                                        {10, {0x90, 60, 100}},
                                        {5, {0xF0, 0x7D, 0x01}},
                                        {20, {0x80, 60, 64}},
                                        {1, {0xFF, 0x2F}}});
    ZylmidiOut out;
    openOn(out, *receiver);
    std::vector<unsigned> observed;
    const int result =
        out.play(track, SecondsPerTick, {}, [&](unsigned index, const ZylmidiTrack& seen) {
            EXPECT_EQ(&seen, &track);
            observed.push_back(index);
        });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(observed, (std::vector<unsigned>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(receivedSinceStart(out), bytesOf(track));

    const std::vector<ReceivedMessage> got = receiver->messages(startCount);
    for (std::size_t index = 1; index < got.size(); ++index)
        EXPECT_LE(got[index - 1].stamp, got[index].stamp);
}

TEST_F(Play, StopEndsTheWaitAtTheNextSliceAndReleasesNotes) {
    ZylmidiOut out;
    openOn(out, *receiver);
    int asked = 0;
    std::vector<unsigned> observed;
    const int result = out.play(
        HeldChord, SecondsPerTick, [&] { return ++asked >= 3; },
        [&](unsigned index, const ZylmidiTrack&) { observed.push_back(index); });
    EXPECT_EQ(result, PlayStopped);
    EXPECT_EQ(asked, 3) << "play returns at the first ask after the stop";
    EXPECT_EQ(observed, (std::vector<unsigned>{0, 1}));
    const std::vector<Bytes> expected = {
        {0x90, 60, 100}, {0x90, 64, 100}, {0x80, 60, 0x7F}, {0x80, 64, 0x7F}};
    EXPECT_EQ(receivedSinceStart(out), expected);
}

TEST_F(Play, StopFlagFromAnotherThread) {
    ZylmidiOut out;
    openOn(out, *receiver);
    std::atomic<bool> stopRequested{false};
    Clock::time_point requestedAt;
    std::thread stopper([&] {
        receiver->waitFor(startCount + 2); // both notes sound
        requestedAt = Clock::now();
        stopRequested = true;
    });
    const int result =
        out.play(HeldChord, SecondsPerTick, [&] { return stopRequested.load(); }, {});
    const Clock::time_point returnedAt = Clock::now();
    stopper.join();
    EXPECT_EQ(result, PlayStopped);
    const std::vector<Bytes> expected = {
        {0x90, 60, 100}, {0x90, 64, 100}, {0x80, 60, 0x7F}, {0x80, 64, 0x7F}};
    EXPECT_EQ(receivedSinceStart(out), expected);

    // One slice is 100 ms; the bound is generous, yet far below the 5 s the song still had.
    const std::vector<ReceivedMessage> got = receiver->messages(startCount);
    ASSERT_GE(got.size(), expected.size());
    EXPECT_LT(returnedAt - requestedAt, StopNoticedWithin);
    EXPECT_LT(got[expected.size() - 1].stamp - requestedAt, StopNoticedWithin);
}

TEST_F(Play, FailuresAndOddTickLengths) {
    const ZylmidiTrack track = trackOf({{1000, {0x90, 60, 100}}, {1000, {0x80, 60, 0}}});
    ZylmidiOut out;
    bool observed = false;
    EXPECT_EQ(out.play(track, SecondsPerTick, {},
                       [&](unsigned, const ZylmidiTrack&) { observed = true; }),
              RtMidiError::INVALID_USE);
    EXPECT_FALSE(observed) << "nothing is played without a port";

    openOn(out, *receiver);
    // Tick lengths that are no length wait nothing instead of for ever.
    EXPECT_EQ(out.play(track, std::nan(""), {}, {}), 0);
    EXPECT_EQ(out.play(track, -1.0, {}, {}), 0);
    EXPECT_EQ(out.play(track, 0.0, {}, {}), 0);
    EXPECT_EQ(receivedSinceStart(out).size(), 6u);

    const ZylmidiTrack broken = trackOf({{0, {0x90, 62, 100}}, {0, {}}, {0, {0x80, 62, 0}}});
    const std::size_t beforeBroken = receiver->count();
    EXPECT_EQ(out.play(broken, SecondsPerTick, {}, {}), RtMidiError::INVALID_PARAMETER);
    EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeBroken),
              (std::vector<Bytes>{{0x90, 62, 100}}))
        << "play ends at the first failed send";

    int asked = 0;
    const ZylmidiTrack huge = trackOf({{0xFFFFFFFFu, {0x90, 1, 1}}});
    EXPECT_EQ(out.play(huge, 1e12, [&] { return ++asked > 1; }, {}), PlayStopped);
}
