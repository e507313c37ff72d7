// The events of a track: channel and system messages, running status, meta events and
// system exclusive, with lying lengths.
#include "MidiTestSupport.h"

namespace {

using Events = std::vector<Bytes>;

TEST(MidiTrackEvents, GoodBodiesGiveTheirEvents) {
    const struct {
        const char* name;
        Bytes body;
        Events events;
    } cases[] = {
        // Running status: data bytes repeat the previous channel status.
        {"running notes",
         {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x10, 0x3E, 0x00},
         {{0x90, 0x3C, 0x40}, {0x90, 0x3E, 0x40}, {0x90, 0x3E, 0x00}}},
        {"one data byte after Cn and Dn",
         {0x00, 0xC0, 0x05, 0x00, 0x07, 0x00, 0xD3, 0x20, 0x00, 0x21},
         {{0xC0, 0x05}, {0xC0, 0x07}, {0xD3, 0x20}, {0xD3, 0x21}}},
        {"controllers and pitch bend",
         {0x00, 0xB0, 0x07, 0x64, 0x00, 0x0A, 0x40, 0x00, 0xE1, 0x00, 0x40, 0x00, 0x7F, 0x7F},
         {{0xB0, 0x07, 0x64}, {0xB0, 0x0A, 0x40}, {0xE1, 0x00, 0x40}, {0xE1, 0x7F, 0x7F}}},
        // The End of Track is not stored, so the note before it is the last stored event.
        {"running status past a dropped End of Track",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00, 0x00, 0x3E, 0x40},
         {{0x90, 0x3C, 0x40}, {0x90, 0x3E, 0x40}}},
        // Song select is read with two bytes as well; data bytes with bit 7 set are unchecked.
        {"system messages take two data bytes",
         {0x00, 0xF2, 0x10, 0x20, 0x00, 0xF3, 0x05, 0x00, 0x00, 0x8F, 0x80, 0xFF},
         {{0xF2, 0x10, 0x20}, {0xF3, 0x05, 0x00}, {0x8F, 0x80, 0xFF}}},
        // An End of Track with a payload stays.
        {"meta events without their length",
         {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x05, 0xFF, 0x2F, 0x01,
          0x00, 0x00, 0xFF, 0x01, 0x00, 0x00, 0xFF, 0x7F, 0x02, 0x00, 0x41},
         {{0xFF, 0x51, 0x07, 0xA1, 0x20},
          {0xFF, 0x2F, 0x00},
          {0xFF, 0x01},
          {0xFF, 0x7F, 0x00, 0x41}}},
        {"sysex without its closing F7",
         {0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7, 0x00, 0xF0, 0x01, 0xF7},
         {{0xF0, 0x43, 0x10}, {0xF0}}},
        // An F7 before the declared length ends the payload, and the next byte must be the
        // closing F7; a declared length of 0 has no payload at all.
        {"early F7 and length 0",
         {0x00, 0xF0, 0x05, 0x43, 0xF7, 0xF7, 0x00, 0xF0, 0x00, 0xF7, 0x00, 0xC0, 0x05},
         {{0xF0, 0x43}, {0xF0}, {0xC0, 0x05}}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ZylmidiFile song;
        ASSERT_EQ(loadBytes(dir, singleTrackFile(c.body), song), 0) << c.name;
        EXPECT_EQ(eventData(song.tracks.at(0)), c.events) << c.name;
    }
}

// Meta events and sysex longer than any buffer, with a two-byte length, arrive whole.
TEST(MidiTrackEvents, LongPayloadsArriveWhole) {
    Bytes text(300000), sysexPayload(100000), shortSysex(127, 0x55);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<unsigned char>(i * 7);
    for (std::size_t i = 0; i < sysexPayload.size(); ++i)
        sysexPayload[i] = static_cast<unsigned char>(i % 127);
    SmfTrackBuilder track;
    track.meta(0, 0x01, text).sysex(3, sysexPayload).sysex(0, shortSysex).endOfTrack();
    TempDir dir;
    ZylmidiFile song;
    ASSERT_EQ(loadBytes(dir, singleTrackFile(track.body()), song), 0);
    EXPECT_TRUE(sameEvents(song.tracks[0].events, track.events()));
}

TEST(MidiTrackEvents, BadBodiesGiveTheirCodeAndAClearedSong) {
    const struct {
        const char* name;
        Bytes body;
        int code;
    } cases[] = {
        // A data byte where no channel status runs.
        {"first event", {0x00, 0x3C, 0x40}, MidiFileNoRunningStatus},
        {"after meta", {0x00, 0xFF, 0x01, 0x01, 0x41, 0x00, 0x3C, 0x40}, MidiFileNoRunningStatus},
        {"note, meta, data",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x3E, 0x40},
         MidiFileNoRunningStatus},
        {"after sysex", {0x00, 0xF0, 0x02, 0x43, 0xF7, 0x00, 0x3C, 0x40}, MidiFileNoRunningStatus},
        {"after system", {0x00, 0xF2, 0x10, 0x20, 0x00, 0x3C, 0x40}, MidiFileNoRunningStatus},
        {"after End of Track", {0x00, 0xFF, 0x2F, 0x00, 0x00, 0x3C, 0x40}, MidiFileNoRunningStatus},
        // Messages cut short by the end of the file.
        {"status only", {0x00, 0x90}, MidiFileReadError},
        {"one of two data bytes", {0x00, 0x90, 0x3C}, MidiFileReadError},
        {"program change without data", {0x00, 0xC0}, MidiFileReadError},
        {"running note, one data byte", {0x00, 0x90, 0x3C, 0x40, 0x00, 0x3E}, MidiFileReadError},
        {"delta without event", {0x00, 0x90, 0x3C, 0x40, 0x10}, MidiFileReadError},
        {"delta cut inside", {0x00, 0x90, 0x3C, 0x40, 0x81}, MidiFileReadError},
        {"meta, no type", {0x00, 0xFF}, MidiFileReadError},
        {"meta, no length", {0x00, 0xFF, 0x01}, MidiFileReadError},
        {"meta, length cut inside", {0x00, 0xFF, 0x01, 0x81}, MidiFileReadError},
        {"meta payload short by one", {0x00, 0xFF, 0x01, 0x03, 0x41, 0x42}, MidiFileReadError},
        // Huge declared lengths in a tiny file.
        {"meta length 0x0FFFFFFF",
         {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x42},
         MidiFileReadError},
        {"meta length 0xFFFFFFFF",
         {0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x41},
         MidiFileReadError},
        {"sysex, no length", {0x00, 0xF0}, MidiFileReadError},
        {"sysex payload short", {0x00, 0xF0, 0x03, 0x43}, MidiFileReadError},
        {"sysex, no closing byte", {0x00, 0xF0, 0x03, 0x43, 0x10}, MidiFileReadError},
        {"sysex length 0x0FFFFFFF",
         {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F, 0x43, 0x10, 0x11},
         MidiFileReadError},
        // Sysex not closed by F7.
        {"early F7, then data",
         {0x00, 0xF0, 0x05, 0x43, 0xF7, 0x10, 0x00, 0xFF, 0x2F, 0x00},
         MidiFileSysexUnterminated},
        {"early F7 alone closes nothing",
         {0x00, 0xF0, 0x03, 0xF7, 0x00, 0xFF, 0x2F, 0x00},
         MidiFileSysexUnterminated},
        {"length 0, then data", {0x00, 0xF0, 0x00, 0x43, 0xF7}, MidiFileSysexUnterminated},
        {"00 after payload", {0x00, 0xF0, 0x03, 0x43, 0x10, 0x00}, MidiFileSysexUnterminated},
        {"status after payload",
         {0x00, 0xF0, 0x03, 0x43, 0x10, 0x90, 0x3C, 0x40},
         MidiFileSysexUnterminated},
        {"FF after payload", {0x00, 0xF0, 0x02, 0x43, 0xFF, 0x2F, 0x00}, MidiFileSysexUnterminated},
        // Status bytes inside sysex.
        {"90 in payload", {0x00, 0xF0, 0x03, 0x43, 0x90, 0xF7}, MidiFileBadSysexByte},
        {"F0 in payload", {0x00, 0xF0, 0x03, 0xF0, 0x10, 0xF7}, MidiFileBadSysexByte},
        {"FF in payload", {0x00, 0xF0, 0x04, 0x43, 0x10, 0xFF, 0xF7}, MidiFileBadSysexByte},
        // Escaped sysex, and a continuation after an open F0 packet, are not read.
        {"escape", {0x00, 0xF7, 0x02, 0x43, 0xF7}, MidiFileEscapeUnsupported},
        {"F7 after a note",
         {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF7, 0x01, 0x43},
         MidiFileEscapeUnsupported},
        {"F7 as the last byte", {0x00, 0xF7}, MidiFileEscapeUnsupported},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ZylmidiFile song = songWithLeftovers();
        // The chunk claims more than the file has, so a cut message meets the file's end.
        Bytes file = smfHeader(0, 1, 96);
        appendBytes(file, trackChunk(c.body, static_cast<uint32_t>(c.body.size() + 100)));
        EXPECT_EQ(loadBytes(dir, file, song), c.code) << c.name;
        EXPECT_TRUE(isCleared(song)) << c.name;
    }
}

} // namespace
