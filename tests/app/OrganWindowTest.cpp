// The organ check in the window, through a private JACK server to a receiver of our own.
#include "AppTestSupport.h"
#include "JackServer.h"
#include "Message.h"
#include "MidiReceiver.h"

#include <FL/Fl_Button.H>

namespace {

class OrganWindow : public PlayerTest {
protected:
    JackServer server;
    MidiReceiver receiver{"veltrano/receiver"};
};

// F2 and its pressure fit the organ two semitones up alone (as G2), and so they are listed and
// arrive; eleven notes at once fit the scale but not the bellows, and the batch says so once.
TEST_F(OrganWindow, AFileThatFitsTwoUpIsListedSoAndArrivesTwoUp) {
    ASSERT_TRUE(server.ready() && receiver.ready());
    openPlayer({"CheckDeleika:1", "TransposeToFit:1"});
    const std::string waltz = folder.write(
        "waltz.mid", singleTrackFile(wire("00 902940 00 A02920 30 802900 00 FF2F00"), 480));
    const std::string chords = folder.write(
        "chords.mid", singleTrackFile(wire("00 902B40 00 903040 00 903240 00 903740 00 903940 "
                                           "00 903B40 00 903C40 00 903E40 00 904040 00 904140 "
                                           "00 904240 00 FF2F00")));
    app->addFiles({waltz, chords});
    EXPECT_EQ(lines(), (Lines{"waltz (+2)", "chords"}));
    EXPECT_EQ(messages, Lines{"Beyond the organ's limits (more than 10 notes at once, or a pipe "
                              "repeated too fast): chords.mid"});
    app->menuCommand(CmdFirstOutput + receiver.indexIn(app->outputNames));
    app->startButton->do_callback();
    ASSERT_TRUE(loopUntil([this] { return !app->player.isRunning(); }, 10));
    receiver.waitFor(3);
    loopFor(0.2); // and nothing after them
    Lines heard;
    for (const ReceivedMessage& message : receiver.messages())
        heard.push_back(
            formatText("%02X %02X %02X", message.bytes[0], message.bytes[1], message.bytes[2]));
    EXPECT_EQ(heard, (Lines{"90 2B 40", "A0 2B 20", "80 2B 00"}));
    closePlayer({"TransposeToFit:1"});
}

} // namespace
