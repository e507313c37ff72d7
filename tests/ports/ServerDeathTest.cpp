#include "PortsTestSupport.h"

#include <thread>

namespace {

// More than RtMidi's JACK buffer (16 KiB) holds: without a check for the dead server,
// RtMidi's JACK output would wait for ever once its buffer is full.
constexpr int SendsAfterDeath = 3000;
// Long enough for the server to be killed while it plays.
constexpr int PlayedEvents = 20000;
constexpr double SecondsPerTick = 0.001;

// Note 61 struck and released, one event per tick.
ZylmidiTrack busyTrack() {
    ZylmidiTrack track;
    for (int index = 0; index < PlayedEvents; ++index)
        track.events.push_back({1, {static_cast<unsigned char>(index % 2 ? 0x80 : 0x90), 61, 100}});
    return track;
}

bool waitUntilGone(const MidiReceiver& receiver) {
    for (int waited = 0; waited < 10000 && !receiver.serverGone(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return receiver.serverGone();
}

// Plays on a thread of its own, as the player does, and kills the server once the events
// arrive; returns play's result.
int killWhilePlaying(ZylmidiOut& out, JackServer& server, const MidiReceiver& receiver) {
    const ZylmidiTrack track = busyTrack();
    int result = 0;
    std::thread playback([&] { result = out.play(track, SecondsPerTick, {}, {}); });
    EXPECT_TRUE(receiver.waitFor(receiver.count() + 50)) << "playback did not start";
    server.kill();
    playback.join();
    return result;
}

int failedSends(ZylmidiOut& out) {
    int failures = 0;
    for (int sent = 0; sent < SendsAfterDeath; ++sent)
        failures += out.send({0x90, 62, 100}) == RtMidiError::DRIVER_ERROR;
    return failures;
}

} // namespace

TEST(ServerDeath, PlaybackReportsTheKilledServerAndANewServerWorks) {
    auto server = std::make_unique<JackServer>();
    ASSERT_TRUE(server->ready());
    auto receiver = std::make_unique<MidiReceiver>();
    ASSERT_TRUE(receiver->ready());
    ZylmidiOut out;
    openOn(out, *receiver);
    ASSERT_EQ(out.send({0x90, 60, 100}), 0);

    testing::internal::CaptureStderr();
    EXPECT_EQ(killWhilePlaying(out, *server, *receiver), RtMidiError::DRIVER_ERROR);
    const std::string playErrors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(playErrors, "Send error "), 1) << playErrors;
    ASSERT_TRUE(waitUntilGone(*receiver));

    testing::internal::CaptureStderr();
    EXPECT_EQ(failedSends(out), SendsAfterDeath);
    const std::string sendErrors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(sendErrors, "Send error "), SendsAfterDeath);
    EXPECT_NE(out.port, nullptr) << "a failed send leaves the port open";
    out.allNotesOff();
    EXPECT_TRUE(out.noteState.at(60)) << "a failed release leaves the note marked";

    // Nothing to open while no server runs.
    testing::internal::CaptureStderr();
    EXPECT_NE(out.open(0), 0);
    const std::string openErrors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(openErrors, "RtMidi instantiation error "), 1) << openErrors;
    EXPECT_EQ(out.port, nullptr);
    receiver.reset();
    server.reset();

    JackServer fresh;
    ASSERT_TRUE(fresh.ready());
    MidiReceiver freshReceiver;
    ASSERT_TRUE(freshReceiver.ready());
    openOn(out, freshReceiver);
    out.allNotesOff();
    const std::vector<Bytes> got = receivedUpToMarker(out, freshReceiver, 0);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), (Bytes{0x80, 60, 0x7F})) << "the old server's notes end on the new one";
}

TEST(ServerDeath, StoppedServerLeavesNothingToList) {
    {
        JackServer server;
        ASSERT_TRUE(server.ready());
        MidiReceiver receiver;
        ASSERT_TRUE(receiver.ready());
        EXPECT_EQ(ZylmidiOut::portNames().size(), 1u);
    }
    testing::internal::CaptureStderr();
    const std::vector<std::string> names = ZylmidiOut::portNames();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(countLines(errors, "RtMidi error "), 0) << errors;
}
