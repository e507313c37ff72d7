#include "PlayerSession.h"

#include "JackServer.h"
#include "MidiReceiver.h"
#include "SmfBuilder.h"
#include "TempDir.h"
#include "ZylmidiOut.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <thread>

namespace {

// A pedal and a note held for ten seconds.
Bytes heldNote() {
    SmfTrackBuilder track;
    track.channel(0, {0xB0, 64, 127}).channel(0, {0x90, 60, 100}).channel(4800, {0x80, 60, 0});
    track.endOfTrack();
    return singleTrackFile(track.body(), 240);
}

// The signal ends the player as its close box does: settings stored, notes released.
TEST(PlayerProcess, TermSignalWhilePlayingOrDuringABoxClosesAsTheCloseBoxDoes) {
    JackServer server;
    MidiReceiver receiver("veltrano/receiver");
    ASSERT_TRUE(server.ready() && receiver.ready());
    const int device = receiver.indexIn(ZylmidiOut::portNames()) + 1;
    for (const bool playing : {true, false}) {
        TempDir home;
        const std::string song = home.write("held.mid", heldNote());
        const std::string first = playing ? song : home.file("gone.mid"); // a box at start-up
        writeStore(home.path(), {"MIDIdevice:" + std::to_string(device), "Files0:" + first,
                                 "Files1:" + song, "AllTracks:1"});
        PlayerSession player(home.path());
        ASSERT_TRUE(player.start());
        const size_t before = receiver.count();
        if (playing) {
            player.click(PlayerSession::StartButton);
            ASSERT_TRUE(receiver.waitFor(before + 2));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
        player.signal(SIGTERM);
        ASSERT_TRUE(player.waitForExit(std::chrono::seconds(5)));
        EXPECT_TRUE(WIFEXITED(player.exitStatus()) && WEXITSTATUS(player.exitStatus()) == 0);
        const std::string store = player.storeText();
        for (const std::string& kept : {"Files0:" + song, std::string("AllTracks:1"),
                                        std::string("FollowTempo:0"), std::string("Continuous:0")})
            EXPECT_NE(store.find(kept), std::string::npos) << kept << "\n" << store;
        if (!playing)
            continue;
        ASSERT_TRUE(receiver.waitFor(before + 4));
        EXPECT_EQ(receiver.messages(before + 2)[0].bytes, (Bytes{0x80, 60, 127}));
        EXPECT_EQ(receiver.messages(before + 3)[0].bytes, (Bytes{0xB0, 64, 0}));
    }
}

} // namespace
