// The song file: what the reader makes of bytes and paths, and the timeline's playing order
// and waits against python3-mido reading the same files.
#include "MidoTimes.h"
#include "SmfBuilder.h"
#include "TempDir.h"
#include "ZylmidiTimeline.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

// A song whose every part a load must replace.
const Bytes Leftovers = wire("MThd 00000006 0001 0001 01E0 MTrk 00000003 00C005");

// Loads `path` over a song read from memory; a failed load must leave it as a fresh song.
void expectLoad(const std::string& path, int code, const std::string& song = "") {
    ZylmidiFile read;
    ASSERT_EQ(read.loadBytes(Leftovers.data(), Leftovers.size()), 0);
    EXPECT_EQ(read.load(path), code) << path;
    EXPECT_EQ(describe(read), code == 0 ? song : describe(ZylmidiFile())) << path;
}

// A text that starts with a chunk name is a whole file; any other is the track of a format 0
// file of division 96.
Bytes file(const std::string& text) {
    return text[0] <= 'F' ? singleTrackFile(wire(text)) : wire(text);
}

// Files on disk, then paths that are no readable regular file. A FIFO must be refused without
// waiting for a writer: a load that blocks meets the alarm, which ends the run.
TEST(MidiFile, LoadsGiveTheirSongOrTheirCodeAndAClearedSong) {
    TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        // Running status repeats the last channel status, past a dropped End of Track too;
        // Cn and Dn take one data byte, other statuses two, which are not checked. Meta
        // events are kept without their length, an End of Track with a payload stays; sysex
        // without its F7, and an early F7 ends the payload, while length 0 has none. Delta
        // times keep the low 32 bits of any length.
        {"00 903C40 8FFFFFFF7F 3E40 00 C005 00 07 00 D320 00 21 00 E10040 00 FF2F00 00 7F7F 00 "
         "F21020 00 8F80FF 00 FF5103 07A120 80808080808005 FF2F01 00 00 FF0100 00 F003 4310F7 00 "
         "F001 F7 00 F005 43F7F7 00 F000 F7",
         "0 96 | 0:903c40 4294967295:903e40 0:c005 0:c007 0:d320 0:d321 0:e10040 0:e17f7f "
         "0:f21020 0:8f80ff 0:ff5107a120 5:ff2f00 0:ff01 0:f04310 0:f0 0:f043 0:f0"},
        // Empty tracks; an event past its chunk's end is read whole and the next chunk follows
        // it; events behind End of Track are kept; nothing after the last track is read.
        {"MThd 00000006 0001 0003 01E0 MTrk 00000000 MTrk 00000002 00C005 MTrk 00000008 00FF2F00 "
         "10903C40 XFIH FF",
         "1 480 | | 0:c005 | 16:903c40"},
    };
    for (const auto& [text, song] : cases)
        expectLoad(dir.write("song.mid", file(text)), 0, song);
    const Bytes whole = file(cases[0].first);
    for (std::size_t size = 0; size < whole.size(); ++size)
        expectLoad(dir.write("cut", Bytes(whole.begin(), whole.begin() + size)), MidiFileReadError);
    const std::pair<int, std::vector<std::string>> broken[] = {
        {MidiFileBadHeader,
         {"MThd 00000008 0000 0001 0060 0000", "MThd 00000006 0003 0000 0060",
          "RIFF 0000001A RMIDdata"}},
        // Declared lengths far beyond the file: what there is gets read, in more than one piece
        // when it is long, then a short read.
        {MidiFileReadError,
         {"00 F0 FFFFFF7F 431011", "00 FF01 8FFFFFFF7F " + std::string(400000, '4'),
          "MThd 00000006 0000 0001 0060 MTrk FFFFFFFF 00903C40"}},
        {MidiFileBadTrackChunk, {"MThd 00000006 0000 0001 0060 XFIH 00000000"}},
        // A data byte where no channel status runs: in a new track, after meta or sysex.
        {MidiFileNoRunningStatus,
         {"MThd 00000006 0001 0002 0060 MTrk 00000004 00903C40 MTrk 00000003 003E40",
          "00 903C40 00 FF5103 07A120 00 3E40", "00 903C40 00 F00243F7 00 3E40"}},
        // The byte after an early F7, or after a length of 0, must be the closing F7, and so
        // must the last byte that the length counts.
        {MidiFileSysexUnterminated,
         {"00 F005 43F7 10 00FF2F00", "00 F000 43F7", "00 F003 431020F7"}},
        {MidiFileBadSysexByte, {"00 F003 4390F7"}},
        {MidiFileEscapeUnsupported, {"00 F7 0243F7"}},
    };
    for (const auto& [code, texts] : broken)
        for (const std::string& text : texts)
            expectLoad(dir.write("song.mid", file(text)), code);
    // A sysex longer than the window the reader keeps over a file arrives whole.
    const std::string ones(140000, '1'); // 70001 bytes with the F0
    expectLoad(dir.write("big.mid", file("00 F0 84A271 " + ones + " F7")), 0, "0 96 | 0:f0" + ones);
    const std::string fifo = dir.file("pipe.mid");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    alarm(30);
    for (const std::string& path : {fifo, dir.path(), dir.file("none"), std::string("/dev/null")})
        expectLoad(path, MidiFileCannotOpen);
    alarm(0);
    EXPECT_EQ(ZylmidiFile().load(static_cast<const char*>(nullptr)), MidiFileCannotOpen);
    EXPECT_EQ(ZylmidiFile().loadBytes(nullptr, 14), MidiFileReadError);
}

// The timeline's playing order and waits as python3-mido reads the same file.
TEST(MidiTimeline, OrderAndTimesMatchAnOutsideReader) {
    // 400000 µs a quarter, 250000 from tick 700, 800000 from tick 1700; a tempo of 0 is no
    // tempo.
    const Bytes tempo =
        wire("00 FF5103 061A80 853C FF5103 03D090 00 FF5103 000000 8768 FF5103 0C3500");
    // Both set a tempo at tick 0, after the tempo track: the last one wins.
    const Bytes a = wire("00 FF5103 07A120 00 C005 60 903C5A 30 3C00 60 3E5A 30 3E00");
    const Bytes b = wire("00 FF5103 0F4240 00 C107 60 91405A 30 4000 8D20 FF0102 6869 00 914300");
    const Bytes far = wire("8FFFFFFF7F 903C40 8FFFFFFF7F 3C00"); // ticks beyond 32 bits
    // The SMPTE divisions count frames (-29 for 29.97) of ticks, whatever the tempo; a
    // division of 0 counts no time.
    const std::tuple<uint16_t, uint16_t, std::vector<Bytes>> files[] = {
        {1, 480, {tempo, a, b, far, {}}},
        {1, 480, {b, tempo}}, // the first track alone, its waits crossing tempo changes
        {2, 192, {a, tempo, {}, b}},
        {2, 96, {}},
        {1, 96, {}},
        {1, 0xE828, {tempo, a}},
        {0, 0xE350, {b}},
        {2, 0xE700, {a}},
        {1, 0, {a, b}}};
    TempDir dir;
    for (const auto& [format, division, tracks] : files) {
        const std::string path = dir.write("song.mid", smfFile(format, division, tracks));
        ZylmidiFile song;
        ASSERT_EQ(song.load(path), 0);
        std::ostringstream ours;
        for (int mode = 0; mode < 4; ++mode) {
            const ZylmidiTimeline timeline(song, mode & 1, mode & 2);
            double seconds = 0.0;
            for (const ZylmidiTimeline::Step& step : timeline) {
                seconds += step.seconds;
                ours << std::setprecision(9) << seconds << ' ' << hexOf(step.event.data) << '\n';
            }
            EXPECT_EQ(timeline.totalSeconds(), seconds);
        }
        EXPECT_EQ(ours.str(), midoSays(path)) << format << " " << division;
    }
}

} // namespace
