// The header chunk and the track chunks around the events.
#include "MidiTestSupport.h"

namespace {

class MidiHeaderChunk : public ::testing::Test {
protected:
    int load(const Bytes& bytes) { return loadBytes(dir, bytes, song); }

    TempDir dir;
    ZylmidiFile song;
};

// Good files -----------------------------------------------------------------------------

TEST_F(MidiHeaderChunk, FormatZeroFileGivesOneTrackWithoutEndOfTrack) {
    // MThd 00000006 | format 0 | 1 track | division 0x0060
    // MTrk 0000000C | 00 90 3C 40 | 60 80 3C 40 | 00 FF 2F 00
    const Bytes file = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,   0,    1,
                        0x00, 0x60, 'M',  'T',  'r',  'k',  0,    0,    0,    12,  0x00, 0x90,
                        0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.division, 96);
    ASSERT_EQ(song.trackCount(), 1);
    EXPECT_TRUE(
        sameEvents(song.tracks[0].events, {{0, {0x90, 0x3C, 0x40}}, {96, {0x80, 0x3C, 0x40}}}));
}

TEST_F(MidiHeaderChunk, HeaderFieldsAreKeptAsTheyStand) {
    // MThd 00000006 | format 2 | 0 tracks | division E7 28 (SMPTE, kept unread)
    ASSERT_EQ(load(smfHeader(2, 0, 0xE728)), 0);
    EXPECT_EQ(song.format, 2);
    EXPECT_EQ(song.division, 0xE728);
    EXPECT_EQ(song.trackCount(), 0);

    // format 1 | 0 tracks | division 0: nothing to read after the header
    ASSERT_EQ(load(smfHeader(1, 0, 0)), 0);
    EXPECT_EQ(song.format, 1);
    EXPECT_EQ(song.division, 0);
}

TEST_F(MidiHeaderChunk, EmptyTracksHaveNoEvents) {
    // 3 tracks: MTrk 00000000 | MTrk 00000004 00 FF 2F 00 | MTrk 00000004 00 C0 05 ...
    Bytes file = smfHeader(1, 3, 480);
    appendBytes(file, trackChunk({}));
    appendBytes(file, trackChunk({0x00, 0xFF, 0x2F, 0x00}));
    appendBytes(file, trackChunk({0x00, 0xC0, 0x05}));
    ASSERT_EQ(load(file), 0);
    ASSERT_EQ(song.trackCount(), 3);
    EXPECT_TRUE(song.tracks[0].events.empty());
    EXPECT_TRUE(song.tracks[1].events.empty());
    EXPECT_EQ(eventData(song.tracks[2]), (std::vector<Bytes>{{0xC0, 0x05}}));
}

TEST_F(MidiHeaderChunk, TracksKeepFileOrderAndEventsBehindEndOfTrack) {
    // MTrk: 00 FF 2F 00 | 10 90 3C 40 (kept: the chunk goes on after End of Track)
    // MTrk: 00 C0 07
    Bytes file = smfHeader(1, 2, 96);
    appendBytes(file, trackChunk({0x00, 0xFF, 0x2F, 0x00, 0x10, 0x90, 0x3C, 0x40}));
    appendBytes(file, trackChunk({0x00, 0xC0, 0x07}));
    ASSERT_EQ(load(file), 0);
    ASSERT_EQ(song.trackCount(), 2);
    EXPECT_TRUE(sameEvents(song.tracks[0].events, {{0x10, {0x90, 0x3C, 0x40}}}));
    EXPECT_EQ(eventData(song.tracks[1]), (std::vector<Bytes>{{0xC0, 0x07}}));
}

TEST_F(MidiHeaderChunk, EventRunningPastTheChunkEndIsReadWhole) {
    // MTrk length 2, but the event 00 90 3C 40 takes 4 bytes; the next chunk header
    // follows the event, not the declared end.
    Bytes file = smfHeader(1, 2, 96);
    appendBytes(file, trackChunk({0x00, 0x90, 0x3C, 0x40}, 2));
    appendBytes(file, trackChunk({0x00, 0xB0, 0x07, 0x64}));
    ASSERT_EQ(load(file), 0);
    ASSERT_EQ(song.trackCount(), 2);
    EXPECT_EQ(eventData(song.tracks[0]), (std::vector<Bytes>{{0x90, 0x3C, 0x40}}));
    EXPECT_EQ(eventData(song.tracks[1]), (std::vector<Bytes>{{0xB0, 0x07, 0x64}}));
}

TEST_F(MidiHeaderChunk, NothingAfterTheLastAnnouncedTrackIsRead) {
    // 1 track announced, then a second MTrk with a broken event and some junk.
    Bytes file = singleTrackFile({0x00, 0x90, 0x3C, 0x40});
    appendBytes(file, trackChunk({0x00, 0xF7}));
    appendBytes(file, {'X', 'F', 'I', 'H', 0xFF});
    ASSERT_EQ(load(file), 0);
    ASSERT_EQ(song.trackCount(), 1);
    EXPECT_EQ(song.tracks[0].events.size(), 1u);
}

// Files with a bad header (-2497) ---------------------------------------------------------

TEST_F(MidiHeaderChunk, BadHeadersAreRefused) {
    const std::vector<std::pair<const char*, Bytes>> badHeaders = {
        // MThd 00000008 | format 0 | 1 track | division 96 | 2 more header bytes
        {"length 8", {'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 0, 96, 0, 0}},
        // MThd 00000006 | format 3
        {"format 3", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 3, 0, 0, 0, 96}},
        // MThd 00000006 | format 0x0100
        {"format 256", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 1, 0, 0, 0, 0, 96}},
        // mthd: the tag is case-sensitive
        {"lower case", {'m', 't', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 0, 0, 96}},
        // RIFF 0000001A RMID data ... (a RIFF-wrapped MIDI file)
        {"RIFF", {'R', 'I', 'F', 'F', 0, 0, 0, 0x1A, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'}},
        // plain text of 14 bytes
        {"text", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'i', 'd', 'i', ' ', 'f', 'i', 'l'}},
    };
    for (const auto& [name, bytes] : badHeaders) {
        EXPECT_EQ(load(bytes), MidiFileBadHeader) << name;
        EXPECT_TRUE(isCleared(song)) << name;
    }
}

// Files that end too early (-2498) ---------------------------------------------------------

TEST_F(MidiHeaderChunk, FilesEndingInsideAChunkHeaderAreReadErrors) {
    const Bytes header = smfHeader(0, 1, 96);
    const std::vector<std::pair<const char*, Bytes>> shortFiles = {
        {"empty", {}},
        {"13 header bytes", Bytes(header.begin(), header.end() - 1)},
        {"no track chunk", header},
        {"half a chunk header",
         [&] {
             Bytes bytes = header;
             appendBytes(bytes, {'M', 'T', 'r', 'k', 0, 0});
             return bytes;
         }()},
        {"not MThd, but short", {'R', 'I', 'F', 'F'}},
    };
    for (const auto& [name, bytes] : shortFiles) {
        EXPECT_EQ(load(bytes), MidiFileReadError) << name;
        EXPECT_TRUE(isCleared(song)) << name;
    }
}

TEST_F(MidiHeaderChunk, MissingSecondTrackIsAReadError) {
    // 2 tracks announced, one MTrk present, then the end of the file.
    Bytes file = smfHeader(1, 2, 96);
    appendBytes(file, trackChunk({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(load(file), MidiFileReadError);
    EXPECT_TRUE(isCleared(song));
}

TEST_F(MidiHeaderChunk, TrackLengthBeyondTheFileReadsToTheRealEnd) {
    // MTrk 000FFFFF / FFFFFFFF | complete events, then the file ends between events or
    // inside one: everything there is gets read, then the short read fails.
    const Bytes events = {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    for (const uint32_t declared : {0x000FFFFFu, 0xFFFFFFFFu}) {
        Bytes file = smfHeader(0, 1, 96);
        appendBytes(file, trackChunk(events, declared));
        EXPECT_EQ(load(file), MidiFileReadError) << declared;
        EXPECT_TRUE(isCleared(song));
        file.pop_back(); // now the file ends inside the End of Track
        EXPECT_EQ(load(file), MidiFileReadError) << declared;
    }
}

// Chunks that are not tracks (-2496) ------------------------------------------------------

TEST_F(MidiHeaderChunk, OtherChunkTypesAreNotSkipped) {
    // MThd ... | XFIH 00000004 00 00 00 00 | MTrk ...
    Bytes file = smfHeader(0, 1, 96);
    appendBytes(file, {'X', 'F', 'I', 'H', 0, 0, 0, 4, 0, 0, 0, 0});
    appendBytes(file, trackChunk({0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(load(file), MidiFileBadTrackChunk);
    EXPECT_TRUE(isCleared(song));

    // A good first track, then "mtrk" (wrong case) where the second should be.
    file = smfHeader(1, 2, 96);
    appendBytes(file, trackChunk({0x00, 0xC0, 0x05}));
    appendBytes(file, {'m', 't', 'r', 'k', 0, 0, 0, 0});
    EXPECT_EQ(load(file), MidiFileBadTrackChunk);
    EXPECT_TRUE(isCleared(song));
}

} // namespace
