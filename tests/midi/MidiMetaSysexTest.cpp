// Meta events and system-exclusive messages, including lying lengths.
#include "MidiTestSupport.h"

namespace {

class MidiMetaSysex : public ::testing::Test {
protected:
    int loadTrack(const Bytes& body) { return loadBytes(dir, singleTrackFile(body), song); }
    std::vector<Bytes> firstTrack() const { return eventData(song.tracks.at(0)); }

    void expectFailure(const std::vector<std::pair<const char*, Bytes>>& bodies, int code) {
        for (const auto& [name, body] : bodies) {
            EXPECT_EQ(loadTrack(body), code) << name;
            EXPECT_TRUE(isCleared(song)) << name;
        }
    }

    TempDir dir;
    ZylmidiFile song;
};

// Meta events ---------------------------------------------------------------------------

TEST_F(MidiMetaSysex, MetaEventsAreStoredWithoutTheirLength) {
    // 00 FF 51 03 07 A1 20 | 05 FF 2F 01 00 | 00 FF 01 00 | 00 FF 7F 02 00 41
    ASSERT_EQ(loadTrack({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x05, 0xFF, 0x2F, 0x01,
                         0x00, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xFF, 0x7F, 0x02, 0x00, 0x41}),
              0);
    EXPECT_TRUE(sameEvents(song.tracks[0].events,
                           {{0, {0xFF, 0x51, 0x07, 0xA1, 0x20}},
                            {5, {0xFF, 0x2F, 0x00}}, // End of Track with a payload stays
                            {0, {0xFF, 0x01}},
                            {0, {0xFF, 0x7F, 0x00, 0x41}}}));
}

TEST_F(MidiMetaSysex, LongPayloadsArriveWhole) {
    // 00 FF 01 <varlen 300000> <300000 text bytes> | 00 F0 <varlen 100001> <100000 bytes> F7
    Bytes text(300000), sysexPayload(100000);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<unsigned char>(i * 7);
    for (std::size_t i = 0; i < sysexPayload.size(); ++i)
        sysexPayload[i] = static_cast<unsigned char>(i % 127);
    SmfTrackBuilder track;
    track.meta(0, 0x01, text).sysex(3, sysexPayload).endOfTrack();
    ASSERT_EQ(loadTrack(track.body()), 0);
    EXPECT_TRUE(sameEvents(song.tracks[0].events, track.events()));
}

TEST_F(MidiMetaSysex, MetaEventsCutShortAreReadErrors) {
    expectFailure({{"no type", {0x00, 0xFF}},
                   {"no length", {0x00, 0xFF, 0x01}},
                   {"length cut inside", {0x00, 0xFF, 0x01, 0x81}},
                   {"payload short by one", {0x00, 0xFF, 0x01, 0x03, 0x41, 0x42}},
                   // 00 FF 01 FF FF FF 7F (length 0x0FFFFFFF) 41 42: a tiny file
                   {"length 0x0FFFFFFF", {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x42}},
                   // 00 FF 01 8F FF FF FF 7F (length 0xFFFFFFFF)
                   {"length 0xFFFFFFFF", {0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x41}}},
                  MidiFileReadError);
}

// System exclusive ----------------------------------------------------------------------

TEST_F(MidiMetaSysex, SysexIsStoredWithoutItsClosingF7) {
    // 00 F0 03 43 10 F7 | 00 F0 01 F7 (no payload) | 00 F0 81 00 <127 bytes> F7
    Bytes body = {0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00,
                  0xF0, 0x01, 0xF7, 0x00, 0xF0, 0x81, 0x00};
    Bytes longPayload(127, 0x55);
    appendBytes(body, longPayload);
    body.push_back(0xF7);
    ASSERT_EQ(loadTrack(body), 0);
    Bytes longEvent = {0xF0};
    appendBytes(longEvent, longPayload);
    EXPECT_EQ(firstTrack(), (std::vector<Bytes>{{0xF0, 0x43, 0x10}, {0xF0}, longEvent}));
}

// An F7 met before the declared length ends the payload, and the byte after it must be
// the closing F7; a declared length of 0 has no payload at all.
TEST_F(MidiMetaSysex, EarlyF7AndLengthZeroStillNeedTheClosingF7) {
    // 00 F0 05 43 F7 F7 | 00 F0 00 F7 | 00 C0 05
    ASSERT_EQ(
        loadTrack({0x00, 0xF0, 0x05, 0x43, 0xF7, 0xF7, 0x00, 0xF0, 0x00, 0xF7, 0x00, 0xC0, 0x05}),
        0);
    EXPECT_EQ(firstTrack(), (std::vector<Bytes>{{0xF0, 0x43}, {0xF0}, {0xC0, 0x05}}));

    expectFailure(
        {{"early F7, then data", {0x00, 0xF0, 0x05, 0x43, 0xF7, 0x10, 0x00, 0xFF, 0x2F, 0x00}},
         {"early F7 alone closes nothing", {0x00, 0xF0, 0x03, 0xF7, 0x00, 0xFF, 0x2F, 0x00}},
         {"length 0, then data", {0x00, 0xF0, 0x00, 0x43, 0xF7}}},
        MidiFileSysexUnterminated);
}

TEST_F(MidiMetaSysex, SysexNotClosedByF7IsRefused) {
    expectFailure({{"00 after payload", {0x00, 0xF0, 0x03, 0x43, 0x10, 0x00}},
                   {"status after payload", {0x00, 0xF0, 0x03, 0x43, 0x10, 0x90, 0x3C, 0x40}},
                   {"FF after payload", {0x00, 0xF0, 0x02, 0x43, 0xFF, 0x2F, 0x00}}},
                  MidiFileSysexUnterminated);
}

TEST_F(MidiMetaSysex, StatusBytesInsideSysexAreRefused) {
    expectFailure({{"90 in payload", {0x00, 0xF0, 0x03, 0x43, 0x90, 0xF7}},
                   {"F0 in payload", {0x00, 0xF0, 0x03, 0xF0, 0x10, 0xF7}},
                   {"FF in payload", {0x00, 0xF0, 0x04, 0x43, 0x10, 0xFF, 0xF7}}},
                  MidiFileBadSysexByte);
}

TEST_F(MidiMetaSysex, SysexCutShortIsAReadError) {
    expectFailure({{"no length", {0x00, 0xF0}},
                   {"payload short", {0x00, 0xF0, 0x03, 0x43}},
                   {"no closing byte", {0x00, 0xF0, 0x03, 0x43, 0x10}},
                   // 00 F0 FF FF FF 7F (length 0x0FFFFFFF) 43 10 11: never closed
                   {"length 0x0FFFFFFF", {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x43, 0x10, 0x11}}},
                  MidiFileReadError);
}

TEST_F(MidiMetaSysex, EscapedSysexIsNotRead) {
    // 00 F7 02 43 F7: an escape, and a continuation after an open F0 packet
    expectFailure({{"escape", {0x00, 0xF7, 0x02, 0x43, 0xF7}},
                   {"after a note", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF7, 0x01, 0x43}},
                   {"F7 as the last byte", {0x00, 0xF7}}},
                  MidiFileEscapeUnsupported);
}

} // namespace
