// The built player as its own process, as a user runs it: what a quit signal does.
#include "AppTestSupport.h"
#include "JackServer.h"
#include "MidiReceiver.h"

#include <csignal>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace {

const std::string findWindow = "timeout 60 xdotool search --sync --onlyvisible --name ";
const std::string storeFile = "/.fltk/nvx/Veltrano.prefs";

pid_t spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    return pid;
}

// The wait status (0: exited with 0), or -1 when the process had not ended within the limit
// (then killed).
int endOf(pid_t pid) {
    int status = -1;
    if (!loopUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return status;
}

// Each test runs its players with a socket folder of its own.
class OnePlayerTest : public PlayerTest {
protected:
    TempDir runtime;
    OnePlayerTest() { setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1); }
    // Waits for the window, then quits by the key Q (File/Exit).
    static void quitByKey() {
        const std::string keys = findWindow + "'^Veltrano V1.4' windowfocus --sync %1 keydown q";
        EXPECT_EQ(std::system(keys.c_str()), 0);
    }
};

// A socket left by a killed player, listened on by no one, and its lock file.
void leaveDeadSocket(const std::string& folder) {
    const std::string socket = folder + "/veltrano.socket";
    const std::string bind = "import socket; socket.socket(socket.AF_UNIX).bind('" + socket + "')";
    EXPECT_EQ(std::system(("python3 -c \"" + bind + "\"").c_str()), 0);
    std::ofstream(socket + ".lock") << "";
}

TEST_F(OnePlayerTest, ALaterStartHandsItsFilesToTheRunningPlayerPastADeadOnesSocket) {
    leaveDeadSocket(runtime.path());
    writeStore({});
    const std::string first = midiFile("first.mid"), second = midiFile("second.mid");
    // The player stores its list soon after each change, long before its close: a kill would
    // lose none of it.
    const auto stored = [this](const std::string& lines) {
        return loopUntil([&] { return home.storeHas("nvx", "Veltrano", lines); }, 10);
    };
    const pid_t running = spawn({VELTRANO_PLAYER, first});
    EXPECT_TRUE(stored("Files0:" + first));
    EXPECT_EQ(endOf(spawn({VELTRANO_PLAYER, second})), 0);
    const std::string both = "Files0:" + first + "\nFiles1:" + second;
    EXPECT_TRUE(stored(both));
    const std::string storeBefore = home.storeText("nvx", "Veltrano");
    EXPECT_EQ(endOf(spawn({VELTRANO_PLAYER})), 0);             // only raises the window
    EXPECT_EQ(home.storeText("nvx", "Veltrano"), storeBefore); // the later start wrote nothing
    quitByKey();
    EXPECT_EQ(endOf(running), 0);
    closePlayer({both});
}

// Killed at the rename that would replace the store (its first write: the store gains the
// blank lines and groups of Fl_Preferences' own layout), the player leaves the old one whole;
// the next run reads it and stores its own, and a run that changes nothing writes nothing.
TEST_F(OnePlayerTest, AKillDuringTheStoresWriteLeavesTheOldStoreWhole) {
    const std::string song = midiFile("kept.mid"), added = midiFile("added.mid");
    writeStore({"Pause:3", "Files0:" + song});
    const std::string old = home.storeText("nvx", "Veltrano");
    // The first rename is the player's private copy of the store, the second the store's.
    const std::string renames = "rename,renameat,renameat2";
    const int killed =
        endOf(spawn({"strace", "-f", "-o", "/dev/null", "-e", "trace=" + renames, "-e",
                     "inject=" + renames + ":signal=SIGKILL:when=2", VELTRANO_PLAYER, added}));
    EXPECT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
    EXPECT_EQ(home.storeText("nvx", "Veltrano"), old);
    struct stat before {
    }, after{};
    for (struct stat* status : {&before, &after}) {
        std::vector<std::string> args = {VELTRANO_PLAYER, added};
        const pid_t next = spawn({args.begin(), args.end() - (status == &after)});
        quitByKey();
        EXPECT_EQ(endOf(next), 0);
        stat((home.path() + storeFile).c_str(), status);
    }
    EXPECT_EQ(before.st_ino, after.st_ino); // a new store would be a new file
    closePlayer({"Pause:3", "Files0:" + song, "Files1:" + added});
}

// A store on a file system that refuses the write, one whose working copy's file system does,
// and one that cannot be read: the old file stays and one box tells it, however many flushes
// fail.
TEST_F(PlayerTest, AStoreThatCannotBeWrittenStaysAsItWasAndIsToldOnce) {
    const std::string fltk = home.path() + "/.fltk/nvx", store = home.path() + storeFile;
    TempDir work; // where the working copy is made
    std::filesystem::create_directories(fltk);
    if (mount("tmpfs", fltk.c_str(), "tmpfs", 0, "size=16k") != 0 ||
        mount("tmpfs", work.path().c_str(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    setenv("XDG_RUNTIME_DIR", work.path().c_str(), 1);
    // Rows: what goes wrong, and the start of the reason told.
    const std::pair<std::string, std::string> rows[] = {
        {"remount,ro", "Read-only file system"},
        {"fill", "No space left on device"},
        {"fill work", "its working copy in " + work.path() + "/flt-store-"},
        {"folder", "Is a directory"}};
    for (const auto& [change, reason] : rows) {
        if (change == "folder")
            std::filesystem::create_directory(store);
        openPlayer({"Pause:4", "Files0:" + midiFile("a.mid")});
        const std::string old = home.storeText("nvx", "Veltrano");
        if (change == "fill")
            std::ofstream(fltk + "/filler") << std::string(16384 - old.size(), 'x');
        else if (change == "fill work") // and the copy grows beyond the page it had
            std::ofstream(work.file("filler")) << std::string(16384, 'x');
        else if (change == "remount,ro")
            mount("tmpfs", fltk.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=16k");
        app->addFiles(Lines(100, folder.file("a.mid")));
        app->menuCommand(CmdExit); // stored as the window closes, and again as it goes
        closePlayer();
        EXPECT_EQ(home.storeText("nvx", "Veltrano"), old) << change;
        ASSERT_EQ(messages.size(), 1u) << change;
        EXPECT_EQ(messages[0].rfind("Cannot save settings to " + store + ": " + reason, 0), 0u)
            << messages[0];
        messages.clear();
        mount("tmpfs", fltk.c_str(), "tmpfs", MS_REMOUNT, "size=16k");
        for (const std::string& made : {fltk + "/filler", work.file("filler"), store})
            std::filesystem::remove(made);
    }
    umount(fltk.c_str());
    umount(work.path().c_str());
}

// The signal ends the player as its close box does, during a box shown at start-up too: what
// it read at start is stored again, the notes are released. Reserved keys end nothing. Playing,
// the save chooser is open: the quit closes it, and it chooses nothing. Not
// playing, the stored port is gone: the quit comes in the box that says so, before the
// stored list is back in the window.
TEST_F(OnePlayerTest, QuitSignalsCloseThePlayerAsItsCloseBoxDoes) {
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
        Lines store(kept.begin(), kept.end() - 1);
        if (!playing)
            store.push_back("MIDIdeviceName:gone:input");
        writeStore(store);
        const pid_t pid = playing ? spawn({VELTRANO_PLAYER, "given.mid"})
                                  : spawn({VELTRANO_PLAYER, "given.mid", "absent.mid"});
        const size_t before = receiver.count();
        // Waits for the window; playing, clicks its Start button after the reserved keys, then
        // File/Save playlist.
        std::string xdotool = findWindow + "'^Veltrano V1.4'";
        if (playing)
            xdotool += " windowfocus --sync %1 key Escape Left ctrl+Left ctrl+p"
                       " mousemove --sync --window %1 125 75 click 1 sleep 0.3 mousemove --window"
                       " %1 20 12 click 1 sleep 0.3 mousemove --window %1 60 55 click 1";
        EXPECT_EQ(std::system(xdotool.c_str()), 0);
        EXPECT_TRUE(!playing || std::system((findWindow + "'^Save playlist'").c_str()) == 0);
        EXPECT_TRUE(playing ? receiver.waitFor(before + 3)
                            : !receiver.waitFor(before + 1, std::chrono::milliseconds(500)));
        kill(pid, signal);
        EXPECT_EQ(endOf(pid), 0);            // exited with 0
        closePlayer(playing ? kept : store); // none runs here: what the process stored is read
        if (playing) {
            ASSERT_TRUE(receiver.waitFor(before + 6));
            EXPECT_EQ(receiver.messages(before + 3)[0].bytes, (Bytes{0x80, 60, 127}));
            EXPECT_EQ(receiver.messages(before + 5)[0].bytes, (Bytes{0xBF, 64, 0}));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("playlist.m3u8")));
}

} // namespace
