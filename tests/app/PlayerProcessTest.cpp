// The built player as its own process, as a user runs it: what a quit signal does.
#include "AppTestSupport.h"
#include "JackServer.h"
#include "MidiReceiver.h"

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// The signal ends the player as its close box does, during a box shown at start-up too: what
// it read at start is stored again, the notes are released. Reserved keys end nothing.
TEST_F(PlayerTest, QuitSignalsCloseThePlayerAsItsCloseBoxDoes) {
    JackServer server;
    MidiReceiver receiver("veltrano/receiver");
    ASSERT_TRUE(server.ready() && receiver.ready());
    const std::string song = folder.write("held.mid", singleTrackFile(heldTrack, 480));
    const std::string given = midiFile("given.mid");
    // The last is named on the command line, relative to the folder the player starts in.
    const Lines kept = {"MIDIdevice:1",   "AllTracks:1",    "FollowTempo:0",  "Continuous:1",
                        "CheckDeleika:0", "Files0:" + song, "Files1:" + given};
    std::filesystem::current_path(folder.path()); // where the relative name is found
    for (const int signal : {SIGTERM, SIGINT}) {
        const bool playing = signal == SIGTERM;
        writeStore({kept.begin(), kept.end() - 1});
        std::string player = VELTRANO_PLAYER, relative = "given.mid", absent = "absent.mid";
        char* argv[] = {player.data(), relative.data(), playing ? nullptr : absent.data(), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
        const size_t before = receiver.count();
        // Waits for the window; playing, clicks its Start button after the reserved keys.
        std::string xdotool = "timeout 60 xdotool search --sync --onlyvisible --name "
                              "'^Veltrano V1.4'";
        if (playing)
            xdotool += " windowfocus --sync %1 key Escape Left ctrl+Left ctrl+p"
                       " mousemove --sync --window %1 125 75 click 1";
        EXPECT_EQ(std::system(xdotool.c_str()), 0);
        EXPECT_TRUE(playing ? receiver.waitFor(before + 3)
                            : !receiver.waitFor(before + 1, std::chrono::milliseconds(500)));
        kill(pid, signal);
        int status = -1;
        EXPECT_TRUE(loopUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        if (status == -1)
            kill(pid, SIGKILL);
        closePlayer(kept); // none runs here: only what the process stored is read
        if (playing) {
            ASSERT_TRUE(receiver.waitFor(before + 6));
            EXPECT_EQ(receiver.messages(before + 3)[0].bytes, (Bytes{0x80, 60, 127}));
            EXPECT_EQ(receiver.messages(before + 5)[0].bytes, (Bytes{0xB0, 64, 0}));
        }
    }
}

} // namespace
