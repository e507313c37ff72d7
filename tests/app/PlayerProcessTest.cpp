// The built player as its own process, as a user runs it: what a quit signal does.
#include "AppTestSupport.h"
#include "FltXdotool.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "SmfBuilder.h"
#include "ZylmidiOut.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

// A pedal and a note held for ten seconds.
Bytes heldNote() {
    SmfTrackBuilder track;
    track.channel(0, {0xB0, 64, 127}).channel(0, {0x90, 60, 100}).channel(4800, {0x80, 60, 0});
    track.endOfTrack();
    return singleTrackFile(track.body(), 240);
}

// The player on the test's display, HOME and JACK server; killed if the test leaves it.
struct PlayerProcess {
    pid_t pid = -1;
    int status = -1;
    PlayerProcess() {
        char* argv[] = {const_cast<char*>(VELTRANO_PLAYER), nullptr};
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
            pid = -1;
    }
    ~PlayerProcess() {
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    bool endedWithin(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
};

using PlayerProcessTest = PlayerTest;

// The signal ends the player as its close box does: settings stored, notes released.
TEST_F(PlayerProcessTest, TermSignalWhilePlayingOrDuringABoxClosesAsTheCloseBoxDoes) {
    JackServer server;
    MidiReceiver receiver("veltrano/receiver");
    ASSERT_TRUE(server.ready() && receiver.ready());
    const int device = receiver.indexIn(ZylmidiOut::portNames()) + 1;
    const std::string song = folder.write("held.mid", heldNote());
    for (const bool playing : {true, false}) {
        const std::string first = playing ? song : folder.file("gone.mid"); // a box at start-up
        writeStore({"MIDIdevice:" + std::to_string(device), "Files0:" + first, "Files1:" + song,
                    "AllTracks:1"});
        PlayerProcess player;
        ASSERT_GT(player.pid, 0);
        const size_t before = receiver.count();
        // Waits for the window; playing, clicks its Start button.
        std::vector<std::string> find = {"search", "--sync", "--onlyvisible", "--name",
                                         "^Veltrano V1.4"};
        if (playing)
            find.insert(find.end(),
                        {"mousemove", "--sync", "--window", "%1", "125", "75", "click", "1"});
        runXdotool(find);
        if (playing)
            ASSERT_TRUE(receiver.waitFor(before + 2));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        kill(player.pid, SIGTERM);
        ASSERT_TRUE(player.endedWithin(std::chrono::seconds(5)));
        EXPECT_TRUE(WIFEXITED(player.status) && WEXITSTATUS(player.status) == 0);
        const std::string store = home.storeText("nvx", "Veltrano");
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
