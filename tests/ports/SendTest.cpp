#include "PortsTestSupport.h"

using Send = JackSuite;

TEST_F(Send, BytesArriveUnchangedAndInOrder) {
    Bytes dump = {0xF0, 0x7D}; // a long system-exclusive dump, as stored
    for (int index = 0; index < 600; ++index)
        dump.push_back(static_cast<unsigned char>(index % 128));
    const std::vector<Bytes> messages = {
        {0x80, 0x3C, 0x40},             // Note Off
        {0x91, 0x3C, 0x64},             // Note On
        {0xA2, 0x3C, 0x20},             // polyphonic pressure
        {0xB3, 0x07, 0x7F},             // controller
        {0xC4, 0x13},                   // program change
        {0xD5, 0x55},                   // channel pressure
        {0xEF, 0x00, 0x40},             // pitch bend
        {0xF0, 0x7E, 0x7F, 0x09, 0x01}, // system exclusive as stored: no closing F7
        {0xF0, 0x43, 0x10, 0x4C, 0xF7}, // and with one
        dump,
        {0xF8},                         // clock
        {0xFF, 0x51, 0x07, 0xA1, 0x20}, // tempo meta event as stored
        {0xFF, 0x2F},                   // end of track
    };
    ZylmidiOut out;
    openOn(out, *receiver);
    for (const Bytes& message : messages)
        EXPECT_EQ(out.send(message), 0);
    const auto notes = out.noteState;
    // Out-of-range programs, volumes and channels send nothing.
    out.programChange(128, 0);
    out.programChange(0, 16);
    out.setVolume(128, 0xFFFF);
    out.programChange(127, 15);
    out.setVolume(100, 0x0005);
    out.setVolume(0, 0x8000);
    std::vector<Bytes> expected = messages;
    expected.insert(expected.end(),
                    {{0xCF, 0x7F}, {0xB0, 0x07, 0x64}, {0xB2, 0x07, 0x64}, {0xBF, 0x07, 0x00}});
    // RtMidi's JACK back end passes every one through as it stands, meta bytes included.
    EXPECT_EQ(receivedSinceStart(out), expected);
    EXPECT_EQ(out.noteState, notes) << "controllers and programs are no notes";
}

TEST_F(Send, NothingIsSentWithoutAnOpenPort) {
    ZylmidiOut out;
    EXPECT_EQ(out.send({0x90, 60, 100}), RtMidiError::INVALID_USE);
    EXPECT_TRUE(out.noteState.empty());
    out.allNotesOff();
    out.programChange(1, 0);
    out.setVolume(100, 0xFFFF);
    EXPECT_EQ(out.portName(0), "");

    openOn(out, *receiver);
    out.close();
    EXPECT_EQ(out.port, nullptr);
    out.close();
    EXPECT_EQ(out.send({0x90, 60, 100}), RtMidiError::INVALID_USE);

    openOn(out, *receiver);
    EXPECT_EQ(out.send({}), RtMidiError::INVALID_PARAMETER) << "an empty message is refused";
    EXPECT_EQ(receivedSinceStart(out), (std::vector<Bytes>{}));
}

// RtMidi's JACK output drops a message longer than its buffer takes without a word.
TEST_F(Send, AMessageLongerThanTheJackBufferIsRefused) {
    ZylmidiOut out;
    openOn(out, *receiver);
    Bytes longest(JackSendBudget::LongestMessage, 0x11);
    longest.front() = 0xF0;
    const Bytes tooLong(longest.size() + 1, 0xF0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(out.send(tooLong), RtMidiError::INVALID_PARAMETER);
    EXPECT_EQ(out.send(longest), 0);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(errors, "Send error "), 1) << errors;
    EXPECT_EQ(receivedSinceStart(out), (std::vector<Bytes>{longest}));
}
