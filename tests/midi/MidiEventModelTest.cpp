// The song and event values: event kinds, note-on detection, copies of loaded songs.
#include "MidiTestSupport.h"

namespace {

ZylmidiEvent eventOf(Bytes data) {
    return ZylmidiEvent{0, std::move(data)};
}

TEST(MidiEventModel, NoteOnNumberOnlyForSoundingThreeByteNoteOns) {
    EXPECT_EQ(eventOf({0x90, 0x3C, 0x40}).noteOnNumber(), 60);
    EXPECT_EQ(eventOf({0x9F, 0x7F, 0x01}).noteOnNumber(), 127);
    const std::vector<Bytes> notNoteOns = {
        {0x90, 0x3C, 0x00},             // velocity 0 ends a note
        {0x80, 0x3C, 0x40},             // note off
        {0xB0, 0x07, 0x64},             // controller
        {0xC0, 0x05},                   // program change
        {0xFF, 0x51, 0x07, 0xA1, 0x20}, // tempo
        {0x90, 0x3C},                   // a note-on cut short
        {0x90, 0x3C, 0x40, 0x00},       // one byte too many
        {},
    };
    for (const auto& data : notNoteOns) {
        EXPECT_EQ(eventOf(data).noteOnNumber(), -1) << data.size() << " bytes";
        EXPECT_FALSE(eventOf(data).isNoteOn());
    }
    EXPECT_TRUE(eventOf({0x93, 0x40, 0x7F}).isNoteOn());
}

TEST(MidiEventModel, KindFollowsTheFirstByte) {
    EXPECT_EQ(eventOf({0xC0, 0x05}).kind(), EventKind::Channel);
    EXPECT_EQ(eventOf({0x00}).kind(), EventKind::Channel);
    EXPECT_EQ(eventOf({0xEF, 0x00, 0x40}).kind(), EventKind::Channel);
    EXPECT_EQ(eventOf({0xF0, 0x43, 0x10}).kind(), EventKind::System);
    EXPECT_EQ(eventOf({0xFE}).kind(), EventKind::System);
    EXPECT_EQ(eventOf({0xFF, 0x2F, 0x00}).kind(), EventKind::Meta);
    EXPECT_EQ(eventOf({}).kind(), EventKind::Empty);
}

TEST(MidiEventModel, NewAndClearedSongsAreEmpty) {
    ZylmidiFile song;
    EXPECT_TRUE(isCleared(song));
    song.format = 1;
    song.division = 480;
    song.tracks.emplace_back();
    song.clear();
    EXPECT_TRUE(isCleared(song));
}

TEST(MidiEventModel, CopyOfALoadedSongSurvivesClearingTheSource) {
    TempDir dir;
    SmfTrackBuilder first, second;
    first.tempo(0, 500000).text(0, "intro").endOfTrack();
    second.channel(0, {0x90, 0x3C, 0x40}).channel(48, {0x90, 0x3C, 0x00}).endOfTrack();
    Bytes file = smfHeader(1, 2, 480);
    appendBytes(file, trackChunk(first.body()));
    appendBytes(file, trackChunk(second.body()));

    ZylmidiFile source;
    ASSERT_EQ(loadBytes(dir, file, source), 0);
    const ZylmidiFile copied(source);
    ZylmidiFile assigned;
    assigned = source;
    source.clear();

    for (const ZylmidiFile* song : std::vector<const ZylmidiFile*>{&copied, &assigned}) {
        EXPECT_EQ(song->format, 1);
        EXPECT_EQ(song->division, 480);
        ASSERT_EQ(song->trackCount(), 2);
        EXPECT_TRUE(sameEvents(song->tracks[0].events, first.events()));
        EXPECT_TRUE(sameEvents(song->tracks[1].events, second.events()));
    }
    EXPECT_TRUE(isCleared(source));
}

} // namespace
