// The writer, read back by the project's reader and by python3-mido.
#include "MidoTimes.h"
#include "SmfBuilder.h"
#include "TempDir.h"
#include "ZylmidiWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

// Written in running status, with long deltas and lengths; the copy writes every status.
TEST(MidiWriter, WritesWhatTheReaderAndMidoReadBack) {
    TempDir folder;
    const Bytes first = wire("00 FF5103 07A120 00 C005 818000 903C40 00 3E40 7F 803C00 FF7F 3E00 "
                             "00 FF01 8101" +
                             std::string(258, '6') + " 00 D040 00 FF2F00");
    const Bytes second =
        wire("00 F005 43104C00F7 8FFFFFFF7F B10740 00 E10040 00 F003 0102F7 00 FF2F00");
    const std::string original =
        folder.write("in.mid", smfFile(1, 480, {first, second, wire("00 FF2F00")}));
    ZylmidiFile song, again;
    ASSERT_EQ(song.load(original), 0);
    const std::string copy = folder.file("out.mid");
    umask(027); // a new file is made as any program's
    ASSERT_EQ(writeSong(song, copy), MidiWriteOk);
    EXPECT_EQ(std::filesystem::status(copy).permissions(), std::filesystem::perms(0640));
    ASSERT_EQ(again.load(copy), 0);
    EXPECT_EQ(describe(again), describe(song));
    EXPECT_EQ(midoSays(copy), midoSays(original));

    // Events the reader would read back as something else: nothing is written, and the file
    // there stays as it was, without a temporary file beside it.
    const Bytes bad[] = {{},           {0x90, 0x3C}, {0x90, 0x80, 0x40},
                         {0xC0, 1, 2}, {0xF0, 0x90}, {0xF7, 0x01, 0xF7},
                         {0xFF},       {0x3C, 0x40}};
    for (const Bytes& data : bad) {
        ZylmidiFile broken = song;
        broken.tracks[1].events.push_back({0, data});
        EXPECT_EQ(writeSong(broken, copy), MidiWriteBadEvent) << data.size();
    }
    EXPECT_EQ(writeSong(song, folder.path()), MidiWriteNotAFile);
    EXPECT_EQ(writeSong(song, folder.file("none/out.mid")), MidiWriteCannotCreate);
    ASSERT_EQ(again.load(copy), 0);
    EXPECT_EQ(describe(again), describe(song));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

} // namespace
