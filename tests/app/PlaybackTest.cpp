#include "AppTestSupport.h"

#include "JackServer.h"
#include "Message.h"
#include "MidiReceiver.h"
#include "ZylmidiFile.h"

#include <FL/Fl_Button.H>
#include <FL/x.H>

#include <cmath>
#include <regex>
#include <thread>
#include <tuple>

namespace {

// Notes of 10 ms every 20 ms, so that a send is never far off.
Bytes denseTrack(int notes) {
    std::string text = "00 903C5A 0A 803C00";
    for (int i = 1; i < notes; ++i)
        text += " 0A 903C5A 0A 803C00";
    return wire(text + " 00 FF2F00");
}

// Track bodies in wire notation: each event after its delta time in ticks (240 is 81 70, 480
// is 83 60); meta events (FF) take their time and send nothing. One note of a quarter at one
// second a quarter:
const Bytes slow = wire("00 FF5103 0F4240 00 903C64 8360 803C00 00 FF2F00");

class Playback : public PlayerTest {
protected:
    JackServer server;
    MidiReceiver receiver{"veltrano/receiver"};
    std::string logged; // the player's standard output until the last look

    Playback() { testing::internal::CaptureStdout(); }
    // Passed on, so that failures reported meanwhile are seen.
    ~Playback() override {
        std::fputs(logged.append(testing::internal::GetCapturedStdout()).c_str(), stdout);
    }
    // How many lines the player wrote to standard output are `line`.
    long logCount(const std::string& line) {
        logged += testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        const std::string all = "\n" + logged, whole = "\n" + line + "\n";
        long count = 0;
        for (auto at = all.find(whole); at != std::string::npos; at = all.find(whole, at + 1))
            ++count;
        return count;
    }

    // A file of the track bodies `tracks`, 480 ticks a quarter note.
    std::string song(const std::string& name, const std::vector<Bytes>& tracks) {
        return folder.write(name, smfFile(tracks.size() > 1, 480, tracks));
    }
    void open(const Lines& files, const Lines& store = {}) {
        ASSERT_TRUE(server.ready() && receiver.ready());
        openPlayer(store);
        app->addFiles(files);
        choosePort();
    }
    void choosePort() { app->menuCommand(CmdFirstOutput + receiver.indexIn(app->outputNames)); }
    // A click on "Settings", as the user opens the menu, and Escape; a second click closes
    // the menu should Escape not have.
    void clickMenuBar() {
        const std::string window = std::to_string(fl_xid(app.get()));
        const std::string command = "xdotool mousemove --sync --window " + window +
                                    " 70 12 click 1 sleep 0.5 key Escape sleep 0.3 mousemove" +
                                    " --window " + window + " 600 600 click 1";
        std::atomic<bool> done{false};
        std::thread clicker([&] { done = std::system(command.c_str()) >= 0; });
        loopUntil([&] { return done.load(); }, 20);
        clicker.join();
    }
    bool idle(double limit = 10) {
        return loopUntil([this] { return !app->player.isRunning(); }, limit);
    }
    // Idle, and still so after longer than the pause: nothing started again.
    bool staysIdle() {
        return idle() && !loopUntil([this] { return app->player.isRunning(); }, 1.5);
    }
    // Plays a file of `tracks` alone; returns how many messages had come before.
    size_t start(const std::vector<Bytes>& tracks) {
        app->menuCommand(CmdClearPlaylist);
        app->addFiles({song("song.mid", tracks)});
        const size_t before = receiver.count();
        app->startButton->do_callback();
        return before;
    }
    // What arrived from message `from` on once playback ended: seconds after the first, to 50
    // ms that may be 15 ms off (a period is 1.3 ms; a machine can be busy), then the bytes.
    std::string heard(size_t from) {
        EXPECT_TRUE(idle());
        loopFor(0.3); // nothing more may come
        const auto got = receiver.messages(from);
        std::string text;
        for (const ReceivedMessage& message : got) {
            const double at = std::chrono::duration<double>(message.stamp - got[0].stamp).count();
            const double step = std::round(at * 20) / 20;
            EXPECT_NEAR(at, step, 0.015) << text;
            text += formatText("%s%g", text.empty() ? "" : ", ", step);
            for (const unsigned char byte : message.bytes)
                text += formatText(" %02X", byte);
        }
        return text;
    }
};

// The menu is read again as it opens; an entry opens the port of its name, or none at all.
TEST_F(Playback, OutputEntriesOpenThePortOfTheirNameAsListedWhenTheMenuOpens) {
    auto gone = std::make_unique<MidiReceiver>("pa", 64);
    MidiReceiver chosen("pb", 64), after("pd", 64);
    open({midiFile("one.mid")});
    const int goneAt = gone->indexIn(app->outputNames);
    gone.reset();
    app->menuCommand(CmdFirstOutput + goneAt);
    EXPECT_FALSE(app->output.isOpen());
    EXPECT_EQ(messages, Lines{"Cannot open MIDI output pa:input, error 6: the port is not "
                              "offered any more"});
    app->menuCommand(CmdFirstOutput + chosen.indexIn(app->outputNames));
    // Stored at once, so a player that never closes normally still opens it next time.
    EXPECT_TRUE(home.storeHas("nvx", "Veltrano", "MIDIdeviceName:pb:input"));
    app->startButton->do_callback();
    EXPECT_TRUE(idle() && chosen.waitFor(2)); // the note's two messages
    EXPECT_EQ(after.count(), 0u);
    MidiReceiver late("late", 64);
    clickMenuBar();
    Lines shown, marked;
    const Fl_Menu_Item* none = app->menubar->find_item("Settings/Select MIDI output/(None)");
    for (const Fl_Menu_Item* item = none + 1; item->label(); ++item) {
        if (item->visible())
            shown.push_back(item->label());
        if (item->value())
            marked.push_back(item->label());
    }
    EXPECT_EQ(shown, (Lines{receiver.portName(), "pb:input", "pd:input", "late:input"}));
    EXPECT_EQ(marked, Lines{"pb:input"});
}

// A file's end or a stop releases the notes and pedals left on.
TEST_F(Playback, SendsTheChosenTracksAtTheirMomentsAndReleasesWhatIsLeftOn) {
    const Bytes first = wire("00 C005 00 FF0102 6869 00 B0407F 8170 903C64 00 914064 8170 "
                             "F005 43104C00F7 8360 FF5103 0F4240 00 803C00 00 FF2F00");
    const Bytes second = wire("8360 914064 8360 814000 00 FF2F00");
    open({});
    // Without AllTracks only the first track plays; without FollowTempo, at 120 a quarter.
    EXPECT_EQ(heard(start({first, second})),
              "0 C0 05, 0 B0 40 7F, 0.25 90 3C 64, 0.25 91 40 64, 0.5 F0 43 10 4C 00 F7, "
              "1 80 3C 00, 1 81 40 7F, 1 B0 40 00");
    app->menubar->setValue(CmdAllTracks, true);
    app->menubar->setValue(CmdFollowTempo, true);
    EXPECT_EQ(heard(start({slow, second})), "0 90 3C 64, 1 80 3C 00, 1 91 40 64, 2 81 40 00");
    for (const std::string& line :
         {"MIDIdevice = " + std::to_string(receiver.indexIn(app->outputNames) + 1),
          "Thread running: " + folder.file("song.mid"), std::string("Next cmd = 2")})
        EXPECT_GT(logCount(line), 0) << line;
    // The speed goes fifty steps either way at most; the title shows it with the time.
    const size_t before = start({heldTrack});
    ASSERT_TRUE(receiver.waitFor(before + 3));
    for (int i = 0; i < 60; ++i)
        app->slowerButton->do_callback();
    EXPECT_STREQ(app->label(), "Veltrano V1.4 - 0:00 / 0:10 (1%)");
    for (int i = 0; i < 120; ++i)
        app->fasterButton->do_callback();
    EXPECT_STREQ(app->label(), "Veltrano V1.4 - 0:00 / 0:10 (11739%)");
    app->resetSpeedButton->do_callback();
    EXPECT_STREQ(app->label(), "Veltrano V1.4 - 0:00 / 0:10");
    // The clock goes on during the note, at the speed it began with: some seconds in, not at
    // the note's end (where a clock run at 11739% would stop). A busy machine may come here
    // past the first second.
    const std::regex secondsIn("Veltrano V1\\.4 - 0:0[1-9] / 0:10");
    EXPECT_TRUE(loopUntil([&] { return std::regex_match(app->label(), secondsIn); }, 5))
        << app->label();
    EXPECT_EQ(receiver.count(), before + 3);
    app->startButton->do_callback();
    EXPECT_EQ(heard(before + 3), "0 80 3C 7F, 0 81 40 7F, 0 BF 40 00");
}

// A message too long for the port is skipped and told after its file; a first track without
// notes is told once a session.
TEST_F(Playback, TellsOnceWhatItCouldNotPlay) {
    const Bytes tooLong =
        wire("00 903C64 00 F084A270" + std::string(2 * 69999, '0') + "F7 8360 803C00 00 FF2F00");
    const Bytes conductor = wire("00 FF5103 07A120 00 FF2F00");
    const Lines skipped = {"Cannot send to MIDI output " + receiver.portName() +
                           ", error 6: the message is too long for the port; 1 such message(s) "
                           "skipped, the rest played"};
    const Lines elsewhere = {"The first track of this file has no notes; they are on other "
                             "tracks, which \"Settings/Play all tracks\" plays"};
    const std::tuple<std::vector<Bytes>, std::string, Lines> cases[] = {
        {{tooLong}, "0 90 3C 64, 0.5 80 3C 00", skipped},
        {{conductor, slow}, "", elsewhere},
        {{conductor, slow}, "", {}}};
    open({});
    for (const auto& [tracks, sent, told] : cases) {
        messages.clear();
        EXPECT_EQ(heard(start(tracks)), sent);
        EXPECT_EQ(messages, told);
    }
}

// Lines a b c, line 3 selected or none (line 0), idle or playing line 1; ">> " marks what plays.
// Without continuous play, a press that cuts a file short still plays the next one.
TEST_F(Playback, PlayNowAndPlayNextReorderAndPlayAsTheirTableSays) {
    open({});
    // Play Now or Play Next, the line selected (0: none), playing, and the lines after.
    const std::tuple<bool, int, bool, Lines> cases[] = {
        {true, 3, false, {">> c", "a", "b"}}, {true, 0, false, {">> a", "b", "c"}},
        {true, 3, true, {">> c", "b", "a"}},  {true, 0, true, {">> a", "b", "c"}},
        {false, 3, false, {"a", "c", "b"}},   {false, 0, false, {">> b", "c", "a"}},
        {false, 3, true, {">> a", "c", "b"}}, {false, 0, true, {">> b", "c", "a"}}};
    for (const auto& [now, selected, playing, after] : cases) {
        for (const char* name : {"a.mid", "b.mid", "c.mid"})
            app->addFiles({song(name, {denseTrack(500)})});
        if (playing)
            app->startButton->do_callback();
        app->playlist->select(selected);
        (now ? app->playNowButton : app->playNextButton)->do_callback();
        loopFor(0.3);
        EXPECT_EQ(lines(), after) << now << selected << playing;
        app->menuCommand(CmdClearPlaylist); // stops without going on
        EXPECT_TRUE(idle());
    }
}

// A port change under a dense file is what ThreadSanitizer watches. A stalled server still
// lets a stop end at once; a lost one is told once, and its file stays on top.
TEST_F(Playback, ContinuousPlayGoesOnAcrossPortChangesAndStopsAtALostServer) {
    open({song("one.mid", {slow}), song("dense.mid", {denseTrack(200)}), song("two.mid", {slow})},
         {"Continuous:1"});
    app->startButton->do_callback();
    // Waits serving the event loop, so that the first file's end starts the next.
    ASSERT_TRUE(loopUntil([this] { return receiver.count() >= 3; }, 10));
    const auto heard = receiver.messages(); // the pause between the files:
    EXPECT_NEAR(std::chrono::duration<double>(heard[2].stamp - heard[1].stamp).count(), 1, 0.05);
    choosePort(); // again, while the dense file plays: stopped, advanced, going on
    EXPECT_TRUE(loopUntil([this] { return lines().front() == ">> two"; }, 5));
    app->menubar->picked(app->menubar->find_item("Settings/Select MIDI output/(None)"));
    EXPECT_TRUE(staysIdle()); // without a port: "one" is not started again
    EXPECT_EQ(logCount("Thread running: " + folder.file("one.mid")), 1);
    EXPECT_EQ(lines(), (Lines{"one", "dense", "two"}));
    EXPECT_TRUE(messages.empty());
    closePlayer();

    const std::string told = "Cannot send to MIDI output " + receiver.portName() + ", error " +
                             std::to_string(RtMidiError::DRIVER_ERROR) +
                             ": the MIDI server stopped answering";
    for (const bool stall : {true, false}) {
        open({song("dense.mid", {denseTrack(500)}), folder.file("one.mid")}, {"Continuous:1"});
        app->startButton->do_callback();
        ASSERT_TRUE(receiver.waitFor(receiver.count() + 10));
        stall ? server.stall() : server.kill();
        if (stall) {
            loopFor(0.3);
            app->startButton->do_callback();
            EXPECT_TRUE(idle(2));
            EXPECT_TRUE(messages.empty());
            app->startButton->do_callback();
        }
        EXPECT_TRUE(staysIdle());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind(told, 0), 0u) << messages[0];
        EXPECT_EQ(lines().front(), "dense");
        if (stall) { // the player still closes at once
            const auto closing = std::chrono::steady_clock::now();
            app.reset();
            EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::seconds(3));
            server.resume();
        }
        messages.clear();
    }
}

// The playing file is known by its entry: moved off line 1 it keeps the marker, Delete leaves
// it, and its end rotates it, not what stands on line 1.
TEST_F(Playback, ThePlayingFileKeepsItsMarkerWhereverItMovesAndIsTheOneRotated) {
    Lines files;
    for (const char* name : {"a.mid", "b.mid", "c.mid", "d.mid"})
        files.push_back(song(name, {denseTrack(500)}));
    open(files, {"Continuous:1"});
    app->startButton->do_callback();
    app->playlist->select(1);
    app->playNextButton->do_callback();
    EXPECT_EQ(lines(), (Lines{"b", ">> a", "c", "d"}));
    Fl::e_keysym = FL_Delete;
    Fl::e_state = 0;
    for (const int line : {2, 3}) { // the playing line stays
        app->playlist->select(line);
        Fl::handle(FL_KEYBOARD, app.get());
    }
    EXPECT_EQ(lines(), (Lines{"b", ">> a", "d"}));
    app->playlist->deselect();
    app->playNextButton->do_callback(); // skips to the next file: a ends and goes last
    EXPECT_TRUE(loopUntil([this] { return lines() == Lines{">> b", "d", "a"}; }, 5));
    app->menuCommand(CmdClearPlaylist);
    EXPECT_TRUE(idle());
}

// A stored entry on a drive that is not there is kept in its place and stored again; once its
// file is back it plays. Files that cannot play are passed over; a lap of them stops with one
// box.
TEST_F(Playback, MissingStoredFilesAreKeptAndUnplayableOnesSkippedForOneLapAtMost) {
    const std::string gone = folder.file("drive/x.mid"), later = folder.file("later.mid");
    const Lines store = {"Files0:" + gone, "Files1:" + later};
    openPlayer(store);
    EXPECT_EQ(lines(), (Lines{"x", "later"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("2 stored playlist entries are missing; they are kept", 0), 0u);
    closePlayer({store[0] + "\n" + store[1]});
    midiFile("later.mid");
    open({}, store);
    const size_t before = receiver.count();
    app->startButton->do_callback();
    EXPECT_EQ(heard(before), "0 90 3C 64, 0.05 90 3C 00");
    EXPECT_EQ(lines(), (Lines{"x", "later"}));
    EXPECT_EQ(messages.size(), 2u); // the start's line, and nothing for the skip
    closePlayer();
    messages.clear();

    const std::string words = "a text file, not a song";
    const Bytes text(words.begin(), words.end());
    const Bytes cut = wire("MThd 00000006 0000 0001 0060 MTrk 00000010 00903C40");
    open({folder.write("p@x.mid", text), folder.write("q.mid", cut)}, {"Continuous:1"});
    app->startButton->do_callback();
    EXPECT_TRUE(staysIdle());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("None of the 2 files in the playlist could be played", 0), 0u);
    EXPECT_EQ(logCount("Thread running: " + folder.file("p@x.mid")), 1); // one lap, no more
    EXPECT_EQ(app->playlist->entries[0].problem, "Cannot play " + folder.file("p@x.mid") +
                                                     ": it is not a Standard MIDI File (error " +
                                                     std::to_string(MidiFileBadHeader) + ")");
    EXPECT_EQ(app->playlist->entries[1].problem, "Cannot play " + folder.file("q.mid") +
                                                     ": it ends too early (error " +
                                                     std::to_string(MidiFileReadError) + ")");
    Fl::e_y = app->playlist->y() + 5; // over line 1: its tip shows the "@" of the name
    app->playlist->handle(FL_MOVE);
    EXPECT_NE(std::string(app->playlist->tooltip()).find("/p@@x.mid: it is not"),
              std::string::npos);
    closePlayer(); // a quit in the box of a file that cannot play starts none after it
    open({folder.file("p@x.mid"), folder.file("later.mid")});
    app->messageSink = [this](const std::string&) { app->quitNow(); };
    const size_t quitAt = receiver.count();
    app->startButton->do_callback();
    loopFor(0.5);
    EXPECT_EQ(receiver.count(), quitAt);
}

} // namespace
