#include "AppTestSupport.h"

#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "FltXdotool.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "MyBrowser.h"
#include "SmfBuilder.h"

#include <FL/Fl_Button.H>
#include <FL/x.H>

namespace {

using Clock = std::chrono::steady_clock;
struct Ev { // an event as the file stores it
    uint32_t delta;
    Bytes stored;
};
using Track = std::vector<Ev>;
struct Heard {
    Bytes bytes;
    double at; // seconds after the first message
};

Bytes trackBody(const Track& events) {
    SmfTrackBuilder track;
    for (const Ev& e : events) {
        if (e.stored[0] == 0xFF)
            track.meta(e.delta, e.stored[1], Bytes(e.stored.begin() + 2, e.stored.end()));
        else if (e.stored[0] == 0xF0)
            track.sysex(e.delta, Bytes(e.stored.begin() + 1, e.stored.end()));
        else
            track.channel(e.delta, e.stored);
    }
    track.endOfTrack();
    return track.body();
}

// Notes of 10 ms every 20 ms, so that a send is never far off.
Track denseTrack(int notes) {
    Track track;
    for (int i = 0; i < notes; ++i)
        track.insert(track.end(), {{i ? 10u : 0u, {0x90, 60, 90}}, {10, {0x80, 60, 0}}});
    return track;
}

class Playback : public PlayerTest {
protected:
    JackServer server;
    MidiReceiver receiver{"veltrano/receiver"};
    StdoutCapture out;

    std::string song(const std::string& name, const std::vector<Track>& tracks, int format = 0) {
        Bytes bytes =
            smfHeader(static_cast<uint16_t>(format), static_cast<uint16_t>(tracks.size()), 480);
        for (const Track& track : tracks)
            appendBytes(bytes, trackChunk(trackBody(track)));
        return folder.write(name, bytes);
    }
    void open(const std::vector<std::string>& files) {
        ASSERT_TRUE(server.ready() && receiver.ready());
        openPlayer({"Pause:0"});
        app->addFiles(files);
        choosePort();
    }
    void choosePort() { // as a click on the receiver's entry does
        const int none = app->menubar->find_index("Settings/Select MIDI output/(None)");
        app->menubar->picked(
            &app->menubar
                 ->menu()[none +
                          (app->outputNames.empty() ? 0 : 1 + receiver.indexIn(app->outputNames))]);
    }
    // From a corner first: a synchronous move to where the pointer already is never ends.
    void click(Fl_Widget* button) {
        const std::string window = std::to_string(fl_xid(app.get()));
        runXdotool({"mousemove", "--window", window, "1", "1", "mousemove", "--sync", "--window",
                    window, std::to_string(button->x() + 50), std::to_string(button->y() + 50),
                    "click", "1"});
    }
    // Waits serving the event loop, so that completions go on meanwhile.
    bool hear(size_t count) {
        return loopUntil([this, count] { return receiver.count() >= count; }, 10);
    }
    bool idle(double seconds = 10) {
        return loopUntil([this] { return !app->player.isRunning(); }, seconds);
    }
    void expectHeard(size_t from, const std::vector<Heard>& heard) {
        ASSERT_TRUE(hear(from + heard.size()));
        loopFor(0.3); // nothing more may come
        const auto got = receiver.messages(from);
        ASSERT_EQ(got.size(), heard.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].bytes, heard[i].bytes) << i;
            const double at = std::chrono::duration<double>(got[i].stamp - got[0].stamp).count();
            EXPECT_NEAR(at, heard[i].at, 0.015) << i; // a period (1.3 ms) and a busy machine
        }
    }
};

TEST_F(Playback, SendsTheMessagesOfTheChosenTracksAtTheirMoments) {
    const Track first = {{0, {0xC0, 5}},
                         {0, {0xFF, 0x01, 'h', 'i'}},
                         {240, {0x90, 60, 100}},
                         {240, {0xF0, 0x43, 0x10, 0x4C, 0}},
                         {480, {0xFF, 0x51, 0x0F, 0x42, 0x40}},
                         {0, {0x80, 60, 0}}};
    const Track slow = {
        {0, {0xFF, 0x51, 0x0F, 0x42, 0x40}}, {0, {0x90, 60, 100}}, {480, {0x80, 60, 0}}};
    const Track second = {{480, {0x91, 64, 100}}, {480, {0x81, 64, 0}}};
    open({});
    struct Case {
        std::vector<Track> tracks;
        bool allTracks, followTempo;
        std::vector<Heard> heard;
    } cases[] = {
        {{first},
         false,
         false,
         {{{0xC0, 5}, 0},
          {{0x90, 60, 100}, 0.25},
          {{0xF0, 0x43, 0x10, 0x4C, 0, 0xF7}, 0.5},
          {{0x80, 60, 0}, 1.0}}},
        {{slow, second}, false, false, {{{0x90, 60, 100}, 0}, {{0x80, 60, 0}, 0.5}}},
        {{slow, second},
         true,
         false,
         {{{0x90, 60, 100}, 0}, {{0x80, 60, 0}, 0.5}, {{0x91, 64, 100}, 0.5}, {{0x81, 64, 0}, 1}}},
        {{slow, second},
         true,
         true,
         {{{0x90, 60, 100}, 0}, {{0x80, 60, 0}, 1}, {{0x91, 64, 100}, 1}, {{0x81, 64, 0}, 2}}},
    };
    const int number = receiver.indexIn(app->outputNames) + 1;
    EXPECT_TRUE(out.contains("MIDIdevice = " + std::to_string(number)));
    for (const Case& c : cases) {
        app->menuCommand(CmdClearPlaylist);
        const std::string file = song("song.mid", c.tracks, c.tracks.size() > 1);
        app->addFiles({file});
        app->menubar->setValue(CmdAllTracks, c.allTracks);
        app->menubar->setValue(CmdFollowTempo, c.followTempo);
        const size_t before = receiver.count();
        click(app->startButton);
        EXPECT_STREQ(app->startButton->label(), "Stop");
        EXPECT_EQ(lines().front(), ">> song");
        expectHeard(before, c.heard);
        EXPECT_TRUE(idle());
        EXPECT_STREQ(app->startButton->label(), "Start");
        EXPECT_EQ(lines().front(), "song");
        EXPECT_EQ(app->nextCommand, NextStop);
        EXPECT_TRUE(out.contains("Thread running: " + file));
    }
    EXPECT_TRUE(out.contains("Next cmd = 2"));
    EXPECT_NE(closePlayer().find("\nMIDIdevice:" + std::to_string(number) + "\n"),
              std::string::npos);
}

TEST_F(Playback, StopAndAFilesEndReleaseNotesAndPedal) {
    const Track held = {{0, {0xB0, 64, 127}}, {0, {0x90, 60, 100}}, {0, {0x91, 64, 100}}};
    Track stopped = held, ended = held;
    stopped.push_back({480 * 20, {0x80, 60, 0}});
    ended.push_back({240, {0xFF, 0x01, 'x'}});
    open({song("stopped.mid", {stopped}), song("ended.mid", {ended})});
    const std::vector<Heard> release = {
        {{0x80, 60, 127}, 0}, {{0x81, 64, 127}, 0}, {{0xB0, 64, 0}, 0}};
    for (const bool stop : {true, false}) {
        const size_t before = receiver.count();
        click(stop ? app->startButton : app->playNextButton); // idle Play Next: the next file
        ASSERT_TRUE(hear(before + 3));
        if (stop) {
            EXPECT_EQ(std::string(app->label()).rfind("Veltrano V1.4 - 0:0", 0), 0u)
                << app->label();
            click(app->fasterButton);
            EXPECT_NE(std::string(app->label()).find("(110%)"), std::string::npos) << app->label();
            click(app->resetSpeedButton);
            click(app->startButton);
        }
        EXPECT_TRUE(idle());
        EXPECT_STREQ(app->label(), "Veltrano V1.4");
        expectHeard(before + 3, release);
        // A stop keeps its file at the top; an end rotates.
        EXPECT_EQ(lines(), (std::vector<std::string>{"stopped", "ended"}));
    }
}

// Lines a b c, line 3 selected or none, idle or playing line 1; ">> " marks what plays.
TEST_F(Playback, PlayNowAndPlayNextReorderAndPlayAsTheirTableSays) {
    open({song("a.mid", {denseTrack(500)}), song("b.mid", {denseTrack(500)}),
          song("c.mid", {denseTrack(500)})});
    using Lines = std::vector<std::string>;
    struct Case {
        bool now, selected, playing;
        Lines after;
    } cases[] = {
        {true, true, false, {">> c", "a", "b"}}, {true, false, false, {">> a", "b", "c"}},
        {true, true, true, {"c", "b", "a"}},     {true, false, true, {">> a", "b", "c"}},
        {false, true, false, {"a", "c", "b"}},   {false, false, false, {">> b", "c", "a"}},
        {false, true, true, {">> a", "c", "b"}}, {false, false, true, {"b", "c", "a"}},
    };
    for (const Case& c : cases) {
        app->menuCommand(CmdClearPlaylist);
        app->addFiles({folder.file("a.mid"), folder.file("b.mid"), folder.file("c.mid")});
        if (c.playing)
            click(app->startButton);
        if (c.selected)
            app->playlist->select(3);
        click(c.now ? app->playNowButton : app->playNextButton);
        loopFor(0.3);
        EXPECT_EQ(lines(), c.after) << c.now << c.selected << c.playing;
        if (app->player.isRunning())
            click(app->startButton);
        EXPECT_TRUE(idle());
    }
    for (const std::string& line : out.lines()) {
        const bool completion = line.rfind("Next cmd = ", 0) == 0;
        EXPECT_TRUE(!completion || line == "Next cmd = 0" || line == "Next cmd = 2") << line;
    }
}

// A port change under a dense file is what ThreadSanitizer watches.
TEST_F(Playback, ContinuousPlayPausesChangesPortAndEndsWithoutAPort) {
    const Track one = {{0, {0x90, 60, 100}}, {480, {0x80, 60, 0}}};
    open({song("one.mid", {one}), song("dense.mid", {denseTrack(200)}), song("two.mid", {one})});
    app->menubar->setValue(CmdContinuous, true);
    click(app->startButton);
    ASSERT_TRUE(hear(3));
    const auto heard = receiver.messages();
    EXPECT_NEAR(std::chrono::duration<double>(heard[2].stamp - heard[1].stamp).count(), 1.0, 0.05);
    choosePort(); // again, while the dense file plays: stopped, advanced, going on
    EXPECT_TRUE(loopUntil([this] { return lines().front() == ">> two"; }, 5))
        << ::testing::PrintToString(lines()) << ::testing::PrintToString(messages);
    app->menubar->picked(app->menubar->find_item("Settings/Select MIDI output/(None)"));
    EXPECT_TRUE(idle());
    loopFor(1.5); // longer than the pause: nothing starts without a port
    EXPECT_FALSE(app->player.isRunning());
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "dense", "two"}));
    EXPECT_TRUE(messages.empty()) << messages.front();
    app->onClose();
    const std::string store = closePlayer();
    EXPECT_NE(store.find("Files0:" + folder.file("one.mid")), std::string::npos) << store;
}

TEST_F(Playback, ALostServerIsToldOnceAndItsFileStaysOnTop) {
    open({song("dense.mid", {denseTrack(500)}), song("next.mid", {denseTrack(5)})});
    app->menubar->setValue(CmdContinuous, true);
    const std::string told = "Cannot send to MIDI output " +
                             app->outputNames[receiver.indexIn(app->outputNames)] + ", error ";
    for (const bool stall : {true, false}) {
        click(app->startButton);
        ASSERT_TRUE(hear(receiver.count() + 10));
        stall ? server.stall() : server.kill();
        if (stall) { // a stop still works at once
            loopFor(0.3);
            const auto clicked = Clock::now();
            click(app->startButton);
            EXPECT_TRUE(idle(2));
            std::printf("stop with the server stalled: %.0f ms\n",
                        std::chrono::duration<double, std::milli>(Clock::now() - clicked).count());
            EXPECT_TRUE(messages.empty());
            click(app->startButton);
        }
        EXPECT_TRUE(idle());
        loopFor(1.5);
        EXPECT_FALSE(app->player.isRunning());
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind(told, 0), 0u) << messages[0];
        EXPECT_EQ(lines().front(), "dense");
        messages.clear();
        if (stall) { // no port opens on a stalled server
            choosePort();
            EXPECT_EQ(messages.size(), 1u);
            const auto closing = Clock::now();
            app.reset();
            EXPECT_LT(Clock::now() - closing, std::chrono::seconds(3));
            server.resume();
            open({folder.file("dense.mid")});
            app->menubar->setValue(CmdContinuous, true);
            messages.clear();
        }
    }
}

} // namespace
