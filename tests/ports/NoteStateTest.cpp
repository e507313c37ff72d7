#include "PortsTestSupport.h"

using NoteState = JackSuite;

// What each release sends after the messages played, and that a second one sends nothing.
TEST_F(NoteState, ReleasesSendOffsForSoundingNotesAndLiftPedals) {
    const struct {
        const char* what;
        std::vector<Bytes> played;
        bool pedalsToo; // releaseSounding rather than allNotesOff
        std::vector<Bytes> released;
    } cases[] = {
        {"in key order",
         {{0x92, 60, 100}, {0x90, 64, 90}},
         false,
         {{0x80, 0x40, 0x7F}, {0x82, 0x3C, 0x7F}}},
        {"only sounding notes",
         {{0x95, 70, 100},
          {0x95, 70, 0},  // velocity 0 ends the note
          {0x8F, 10, 64}, // off for a note never on
          {0x93, 20, 1},
          {0x83, 20, 0},
          {0x9A, 127, 127},
          {0x9A}}, // too short to name a note
         false,
         {{0x8A, 127, 0x7F}}},
        {"pedals left down",
         {{0xB3, 64, 127},
          {0xB0, 64, 64},
          {0xB5, 64, 63}, // down, down, up
          {0xB9, 64, 100},
          {0xB9, 64, 0}, // down, then up again
          {0xB7, 7, 127},
          {0x92, 60, 100}}, // not a pedal; a note
         true,
         {{0x82, 60, 0x7F}, {0xB0, 64, 0}, {0xB3, 64, 0}}},
    };
    for (const auto& c : cases) {
        ZylmidiOut out;
        openOn(out, *receiver);
        const std::size_t before = receiver->count();
        for (const Bytes& message : c.played)
            ASSERT_EQ(out.send(message), 0) << c.what;
        EXPECT_EQ(receivedUpToMarker(out, *receiver, before).size(), c.played.size()) << c.what;
        for (const auto& expected : {c.released, std::vector<Bytes>{}}) {
            const std::size_t beforeRelease = receiver->count();
            c.pedalsToo ? out.releaseSounding() : out.allNotesOff();
            EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeRelease), expected) << c.what;
        }
    }
}

TEST_F(NoteState, ReleasesGoToTheReopenedPort) {
    MidiReceiver other("veltrano-other");
    ASSERT_TRUE(other.ready());
    ZylmidiOut out;
    openOn(out, *receiver);
    ASSERT_EQ(out.send({0x91, 50, 80}), 0);
    ASSERT_EQ(out.send({0x91, 52, 80}), 0);
    EXPECT_EQ(receivedSinceStart(out).size(), 2u);
    const std::size_t beforeClose = receiver->count();

    out.close();
    EXPECT_EQ(out.noteState.size(), 2u) << "close keeps the notes marked";
    openOn(out, other);
    out.allNotesOff();
    const std::vector<Bytes> expected = {{0x81, 50, 0x7F}, {0x81, 52, 0x7F}};
    EXPECT_EQ(receivedUpToMarker(out, other, 0), expected);
    EXPECT_EQ(receiver->count(), beforeClose) << "nothing more reached the old port";
}
