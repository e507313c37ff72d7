// Channel and system messages, and running status: a data byte where a status belongs.
#include "MidiTestSupport.h"

namespace {

class MidiRunningStatus : public ::testing::Test {
protected:
    int loadTrack(const Bytes& body) { return loadBytes(dir, singleTrackFile(body), song); }
    std::vector<Bytes> firstTrack() const { return eventData(song.tracks.at(0)); }

    TempDir dir;
    ZylmidiFile song;
};

TEST_F(MidiRunningStatus, DataBytesRepeatThePreviousChannelStatus) {
    // 00 90 3C 40 | 10 3E 40 | 10 3E 00: two- and three-byte running notes
    ASSERT_EQ(loadTrack({0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x10, 0x3E, 0x00}), 0);
    EXPECT_TRUE(
        sameEvents(song.tracks[0].events,
                   {{0, {0x90, 0x3C, 0x40}}, {16, {0x90, 0x3E, 0x40}}, {16, {0x90, 0x3E, 0x00}}}));

    // 00 C0 05 | 00 07 | 00 D3 20 | 00 21: one data byte after Cn and Dn
    ASSERT_EQ(loadTrack({0x00, 0xC0, 0x05, 0x00, 0x07, 0x00, 0xD3, 0x20, 0x00, 0x21}), 0);
    EXPECT_EQ(firstTrack(),
              (std::vector<Bytes>{{0xC0, 0x05}, {0xC0, 0x07}, {0xD3, 0x20}, {0xD3, 0x21}}));

    // 00 B0 07 64 | 00 0A 40 | 00 E1 00 40 | 00 7F 7F: controllers and pitch bend
    ASSERT_EQ(loadTrack({0x00, 0xB0, 0x07, 0x64, 0x00, 0x0A, 0x40, 0x00, 0xE1, 0x00, 0x40, 0x00,
                         0x7F, 0x7F}),
              0);
    EXPECT_EQ(firstTrack(),
              (std::vector<Bytes>{
                  {0xB0, 0x07, 0x64}, {0xB0, 0x0A, 0x40}, {0xE1, 0x00, 0x40}, {0xE1, 0x7F, 0x7F}}));
}

TEST_F(MidiRunningStatus, RunningStatusSurvivesADroppedEndOfTrack) {
    // 00 90 3C 40 | 00 FF 2F 00 (not stored) | 00 3E 40: the last stored event is the note
    ASSERT_EQ(loadTrack({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00, 0x00, 0x3E, 0x40}), 0);
    EXPECT_EQ(firstTrack(), (std::vector<Bytes>{{0x90, 0x3C, 0x40}, {0x90, 0x3E, 0x40}}));
}

TEST_F(MidiRunningStatus, SystemMessagesTakeTwoDataBytesUnchecked) {
    // 00 F2 10 20 (song position) | 00 F3 05 00 (song select, read with two bytes as well)
    // | 00 8F 80 FF (data bytes with bit 7 set are not checked)
    ASSERT_EQ(loadTrack({0x00, 0xF2, 0x10, 0x20, 0x00, 0xF3, 0x05, 0x00, 0x00, 0x8F, 0x80, 0xFF}),
              0);
    EXPECT_EQ(firstTrack(),
              (std::vector<Bytes>{{0xF2, 0x10, 0x20}, {0xF3, 0x05, 0x00}, {0x8F, 0x80, 0xFF}}));
}

TEST_F(MidiRunningStatus, DataByteWithoutAChannelStatusIsRefused) {
    const std::vector<std::pair<const char*, Bytes>> bodies = {
        // 00 3C 40: first event of the track
        {"first event", {0x00, 0x3C, 0x40}},
        // 00 FF 01 01 41 | 00 3C 40: after a meta event
        {"after meta", {0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0x3C, 0x40}},
        // 00 90 3C 40 | 00 FF 51 03 07 A1 20 | 00 3E 40: a meta event in between cancels it
        {"note, meta",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x3E, 0x40}},
        // 00 F0 02 43 F7 | 00 3C 40: after system exclusive
        {"after sysex", {0x00, 0xF0, 0x02, 0x43, 0xF7, 0x00, 0x3C, 0x40}},
        // 00 F2 10 20 | 00 3C 40: after a system message
        {"after system", {0x00, 0xF2, 0x10, 0x20, 0x00, 0x3C, 0x40}},
        // 00 FF 2F 00 | 00 3C 40: only a dropped End of Track before it
        {"after end of track", {0x00, 0xFF, 0x2F, 0x00, 0x00, 0x3C, 0x40}},
    };
    for (const auto& [name, body] : bodies) {
        EXPECT_EQ(loadTrack(body), MidiFileNoRunningStatus) << name;
        EXPECT_TRUE(isCleared(song)) << name;
    }
}

TEST_F(MidiRunningStatus, RunningStatusDoesNotCrossTracks) {
    // MTrk 00 90 3C 40 | MTrk 00 3E 40: the second track has no event of its own yet
    Bytes file = smfHeader(1, 2, 96);
    appendBytes(file, trackChunk({0x00, 0x90, 0x3C, 0x40}));
    appendBytes(file, trackChunk({0x00, 0x3E, 0x40}));
    EXPECT_EQ(loadBytes(dir, file, song), MidiFileNoRunningStatus);
    EXPECT_TRUE(isCleared(song));
}

TEST_F(MidiRunningStatus, MessagesCutShortAreReadErrors) {
    const std::vector<std::pair<const char*, Bytes>> bodies = {
        {"status only", {0x00, 0x90}},
        {"one of two data bytes", {0x00, 0x90, 0x3C}},
        {"program change without data", {0x00, 0xC0}},
        {"running note, one data byte", {0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E}},
        {"delta without event", {0x00, 0x90, 0x3C, 0x40, 0x10}},
        {"delta cut inside", {0x00, 0x90, 0x3C, 0x40, 0x81}},
    };
    for (const auto& [name, body] : bodies) {
        Bytes file = smfHeader(0, 1, 96);
        appendBytes(file, trackChunk(body, 100)); // the chunk claims more than the file has
        EXPECT_EQ(loadBytes(dir, file, song), MidiFileReadError) << name;
        EXPECT_TRUE(isCleared(song)) << name;
    }
}

} // namespace
