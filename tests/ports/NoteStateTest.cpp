#include "PortsTestSupport.h"

using NoteState = JackSuite;

TEST_F(NoteState, AllNotesOffReleasesInKeyOrder) {
    ZylmidiOut out;
    openOn(out, *receiver);
    ASSERT_EQ(out.send({0x92, 60, 100}), 0);
    ASSERT_EQ(out.send({0x90, 64, 90}), 0);
    EXPECT_EQ(out.noteState, (std::map<uint16_t, bool>{{0x0040, true}, {0x023C, true}}));
    EXPECT_EQ(receivedSinceStart(out).size(), 2u);
    const std::size_t afterNotes = receiver->count();
    out.allNotesOff();
    const std::vector<Bytes> expected = {{0x80, 0x40, 0x7F}, {0x82, 0x3C, 0x7F}};
    EXPECT_EQ(receivedUpToMarker(out, *receiver, afterNotes), expected);
    EXPECT_EQ(out.noteState, (std::map<uint16_t, bool>{{0x0040, false}, {0x023C, false}}));

    const std::size_t beforeSecondCall = receiver->count();
    out.allNotesOff();
    EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeSecondCall), (std::vector<Bytes>{}))
        << "a second call sends nothing";
}

TEST_F(NoteState, OnlySoundingNotesAreReleased) {
    ZylmidiOut out;
    openOn(out, *receiver);
    ASSERT_EQ(out.send({0x95, 70, 100}), 0);
    ASSERT_EQ(out.send({0x95, 70, 0}), 0);  // velocity 0 ends the note
    ASSERT_EQ(out.send({0x8F, 10, 64}), 0); // off for a note never on
    ASSERT_EQ(out.send({0x93, 20, 1}), 0);
    ASSERT_EQ(out.send({0x83, 20, 0}), 0);
    ASSERT_EQ(out.send({0x9A, 127, 127}), 0);
    ASSERT_EQ(out.send({0x9A}), 0); // too short to name a note
    EXPECT_EQ(out.noteState,
              (std::map<uint16_t, bool>{
                  {0x0546, false}, {0x0F0A, false}, {0x0314, false}, {0x0A7F, true}}));
    EXPECT_EQ(receivedSinceStart(out).size(), 7u);
    const std::size_t beforeRelease = receiver->count();
    out.allNotesOff();
    EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeRelease),
              (std::vector<Bytes>{{0x8A, 127, 0x7F}}));
    EXPECT_EQ(out.noteState.size(), 4u) << "entries are never removed";
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

TEST_F(NoteState, ReleaseSoundingLiftsThePedalsLeftDown) {
    ZylmidiOut out;
    openOn(out, *receiver);
    const std::vector<Bytes> played = {
        {0xB3, 64, 127}, {0xB0, 64, 64},  {0xB5, 64, 63}, // down, down, up
        {0xB9, 64, 100}, {0xB9, 64, 0},                   // down, then up again
        {0xB7, 7, 127},  {0x92, 60, 100},                 // not a pedal; a note
    };
    for (const Bytes& message : played)
        ASSERT_EQ(out.send(message), 0);
    EXPECT_EQ(receivedSinceStart(out), played);

    const std::size_t beforeRelease = receiver->count();
    out.releaseSounding();
    const std::vector<Bytes> expected = {{0x82, 60, 0x7F}, {0xB0, 64, 0}, {0xB3, 64, 0}};
    EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeRelease), expected);

    const std::size_t beforeSecondCall = receiver->count();
    out.releaseSounding();
    EXPECT_EQ(receivedUpToMarker(out, *receiver, beforeSecondCall), (std::vector<Bytes>{}))
        << "the releases lifted the pedals";
}
