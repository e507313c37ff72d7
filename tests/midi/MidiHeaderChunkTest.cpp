// The header chunk and the track chunks around the events.
#include "MidiTestSupport.h"

namespace {

Bytes concat(std::vector<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        appendBytes(all, part);
    return all;
}

TEST(MidiHeaderChunk, GoodFilesGiveTheirHeaderAndTracks) {
    const struct {
        const char* name;
        Bytes file;
        int format, division;
        std::vector<std::vector<ZylmidiEvent>> tracks;
    } cases[] = {
        // MThd 00000006 | format 0 | 1 track | division 0x0060
        // MTrk 0000000C | 00 90 3C 40 | 60 80 3C 40 | 00 FF 2F 00 (End of Track not kept)
        {"format 0",
         {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,   0,    1,
          0x00, 0x60, 'M',  'T',  'r',  'k',  0,    0,    0,    12,  0x00, 0x90,
          0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
         0,
         96,
         {{{0, {0x90, 0x3C, 0x40}}, {96, {0x80, 0x3C, 0x40}}}}},
        // SMPTE division, kept unread; no tracks to read after the header
        {"format 2, SMPTE", smfHeader(2, 0, 0xE728), 2, 0xE728, {}},
        {"division 0", smfHeader(1, 0, 0), 1, 0, {}},
        {"empty tracks",
         concat({smfHeader(1, 3, 480), trackChunk({}), trackChunk({0x00, 0xFF, 0x2F, 0x00}),
                 trackChunk({0x00, 0xC0, 0x05})}),
         1,
         480,
         {{}, {}, {{0, {0xC0, 0x05}}}}},
        // The chunk goes on after End of Track: kept.
        {"events behind End of Track",
         concat({smfHeader(1, 2, 96), trackChunk({0x00, 0xFF, 0x2F, 0x00, 0x10, 0x90, 0x3C, 0x40}),
                 trackChunk({0x00, 0xC0, 0x07})}),
         1,
         96,
         {{{0x10, {0x90, 0x3C, 0x40}}}, {{0, {0xC0, 0x07}}}}},
        // Declared length 2, the event takes 4: the next chunk follows the event.
        {"event past the chunk end",
         concat({smfHeader(1, 2, 96), trackChunk({0x00, 0x90, 0x3C, 0x40}, 2),
                 trackChunk({0x00, 0xB0, 0x07, 0x64})}),
         1,
         96,
         {{{0, {0x90, 0x3C, 0x40}}}, {{0, {0xB0, 0x07, 0x64}}}}},
        // One track announced; a broken second chunk and junk after it are never read.
        {"after the last track",
         concat({singleTrackFile({0x00, 0x90, 0x3C, 0x40}),
                 trackChunk({0x00, 0xF7}),
                 {'X', 'F', 'I', 'H', 0xFF}}),
         0,
         96,
         {{{0, {0x90, 0x3C, 0x40}}}}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ZylmidiFile song;
        ASSERT_EQ(loadBytes(dir, c.file, song), 0) << c.name;
        EXPECT_EQ(song.format, c.format) << c.name;
        EXPECT_EQ(song.division, c.division) << c.name;
        ASSERT_EQ(song.tracks.size(), c.tracks.size()) << c.name;
        for (size_t i = 0; i < c.tracks.size(); ++i)
            EXPECT_TRUE(sameEvents(song.tracks[i].events, c.tracks[i])) << c.name;
    }
}

TEST(MidiHeaderChunk, BrokenFilesGiveTheirCodeAndAClearedSong) {
    const Bytes header = smfHeader(0, 1, 96);
    const Bytes events = {0x00, 0x90, 0x3C, 0x40, 0x10, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const struct {
        const char* name;
        Bytes file;
        int code;
    } cases[] = {
        // MThd 00000008: 2 more header bytes
        {"length 8", {'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 0, 96, 0, 0}, MidiFileBadHeader},
        {"format 3", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 3, 0, 0, 0, 96}, MidiFileBadHeader},
        {"format 256", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 1, 0, 0, 0, 0, 96}, MidiFileBadHeader},
        {"lower case", {'m', 't', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 0, 0, 96}, MidiFileBadHeader},
        {"RIFF-wrapped",
         {'R', 'I', 'F', 'F', 0, 0, 0, 0x1A, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'},
         MidiFileBadHeader},
        {"text",
         {'n', 'o', 't', ' ', 'a', ' ', 'm', 'i', 'd', 'i', ' ', 'f', 'i', 'l'},
         MidiFileBadHeader},
        {"empty", {}, MidiFileReadError},
        {"13 header bytes", Bytes(header.begin(), header.end() - 1), MidiFileReadError},
        {"no track chunk", header, MidiFileReadError},
        {"half a chunk header", concat({header, {'M', 'T', 'r', 'k', 0, 0}}), MidiFileReadError},
        {"not MThd, but short", {'R', 'I', 'F', 'F'}, MidiFileReadError},
        {"second track missing",
         concat(
             {smfHeader(1, 2, 96), trackChunk({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00})}),
         MidiFileReadError},
        // Declared lengths far beyond the file: what there is gets read, then the short
        // read fails, between events or inside one.
        {"length 000FFFFF", concat({header, trackChunk(events, 0x000FFFFFu)}), MidiFileReadError},
        {"length FFFFFFFF", concat({header, trackChunk(events, 0xFFFFFFFFu)}), MidiFileReadError},
        {"length FFFFFFFF, cut in an event",
         [&] {
             Bytes file = concat({header, trackChunk(events, 0xFFFFFFFFu)});
             file.pop_back();
             return file;
         }(),
         MidiFileReadError},
        // Running status does not cross tracks: the second has no event of its own yet.
        {"running status from the track before",
         concat({smfHeader(1, 2, 96), trackChunk({0x00, 0x90, 0x3C, 0x40}),
                 trackChunk({0x00, 0x3E, 0x40})}),
         MidiFileNoRunningStatus},
        // Other chunk types are not skipped.
        {"XFIH before MTrk",
         concat({header,
                 {'X', 'F', 'I', 'H', 0, 0, 0, 4, 0, 0, 0, 0},
                 trackChunk({0x00, 0xFF, 0x2F, 0x00})}),
         MidiFileBadTrackChunk},
        {"mtrk as second",
         concat({smfHeader(1, 2, 96),
                 trackChunk({0x00, 0xC0, 0x05}),
                 {'m', 't', 'r', 'k', 0, 0, 0, 0}}),
         MidiFileBadTrackChunk},
    };
    TempDir dir;
    for (const auto& c : cases) {
        ZylmidiFile song = songWithLeftovers();
        EXPECT_EQ(loadBytes(dir, c.file, song), c.code) << c.name;
        EXPECT_TRUE(isCleared(song)) << c.name;
    }
}

} // namespace
