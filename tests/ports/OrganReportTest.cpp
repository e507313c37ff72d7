#include "MidoTimes.h"
#include "SmfBuilder.h"
#include "TempDir.h"
#include "ZylorganCopy.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Twelve semitones from 36 (C2) to 47 (B2), every 10 ticks: no transposition fits them all;
// at +12, five of them would.
const std::string Chromatic =
    "00 902464 0A 902564 0A 902664 0A 902764 0A 902864 0A 902964 0A 902A64 0A 902B64 0A 902C64 "
    "0A 902D64 0A 902E64 0A 902F64";

// Eleven notes of the scale at once, ended as eleven others begin (endings count first),
// and a note that begins and ends at one tick.
const std::string Chords =
    "00 902B40 00 903040 00 903240 00 903740 00 903940 00 903B40 00 903C40 00 903E40 00 904040 "
    "00 904140 00 904240 60 802B00 00 803000 00 803200 00 803700 00 803900 00 803B00 00 803C00 "
    "00 803E00 00 804000 00 804100 00 804200 00 904340 00 904540 00 904740 00 904840 00 904940 00 "
    "904A40 "
    "00 904C40 00 904D40 00 904E40 00 904F40 00 905340 00 805100 00 905100 00 805100";

struct ReportRow {
    const char* what;
    Bytes file;
    const char* json; // the report, less its path
};

// At 500 ticks a quarter a tick lasts 1 ms: 59 and 61 ms after note 60, 99, 101 and 99 after
// 72.
const ReportRow reports[] = {
    {"fits", singleTrackFile(wire("00 903C40 60 803C00 00 904040 60 904000")),
     R"("code":0,"outside":0,"first":null,"channels":[1],"fits":[0,2,5,-5,7,9,12],"best":0,)"
     R"("bestOutside":0,"polyphony":1,"fastRepeats":0})"},
    {"outside, in 3/4",
     singleTrackFile(wire("00 FF5804 03021808 00 903C40 8360 803C00 "
                          "00 903D40 60 803D00")),
     R"("code":-4,"outside":1,"first":{"tick":480,"bar":2,"beat":3,"seconds":2.500,)"
     R"("channel":1,"track":1,"note":61,"name":"C#4"},"channels":[1],"fits":[-1,4,5,6,11,12],)"
     R"("best":-1,"bestOutside":0,"polyphony":1,"fastRepeats":0})"},
    {"fits only transposed", singleTrackFile(wire("00 902940 60 802900")),
     R"("code":-4,"outside":1,"first":{"tick":0,"bar":1,"beat":1,"seconds":0.000,"channel":1,)"
     R"("track":1,"note":41,"name":"F2"},"channels":[1],"fits":[2,7,9],"best":2,)"
     R"("bestOutside":0,"polyphony":1,"fastRepeats":0})"},
    {"fits nowhere", singleTrackFile(wire(Chromatic)),
     R"("code":-4,"outside":11,"first":{"tick":0,"bar":1,"beat":1,"seconds":0.000,)"
     R"("channel":1,"track":1,"note":36,"name":"C2"},"channels":[1],"fits":[],"best":12,)"
     R"("bestOutside":7,"polyphony":12,"fastRepeats":0})"},
    {"three channels",
     smfFile(1, 96,
             {wire("00 FF5103 07A120"), wire("00 903C40 60 803C00"),
              wire("00 923C40 00 993040 05 993040 01 893000")}),
     R"("code":-2,"outside":0,"first":null,"channels":[1,3,10],"fits":[0,2,-5,7,9,11,12],)"
     R"("best":0,"bestOutside":0,"polyphony":3,"fastRepeats":2})"},
    {"chords", singleTrackFile(wire(Chords)),
     R"("code":0,"outside":0,"first":null,"channels":[1],"fits":[0],"best":0,)"
     R"("bestOutside":0,"polyphony":11,"fastRepeats":0})"},
    {"fast repeats",
     singleTrackFile(wire("00 903C40 3B 903C40 3D 903C40 00 984840 63 984840 "
                          "65 984840 63 984840"),
                     500),
     R"("code":-3,"outside":0,"first":null,"channels":[1,9],)"
     R"("fits":[0,-1,2,-3,4,5,-5,6,7,9,-10,11,12,-12],"best":0,)"
     R"("bestOutside":0,"polyphony":2,"fastRepeats":3})"},
};

TEST(OrganReport, SaysWhereASongLeavesTheOrganAndWhatWouldFit) {
    TempDir folder;
    const ZylorganScale scale;
    for (const ReportRow& row : reports) {
        const std::string path = folder.write("song.mid", row.file);
        EXPECT_EQ(reportJsonLine(path, organReportOfFile(path, scale)),
                  "{\"path\":\"" + path + "\"," + row.json)
            << row.what;
    }
    EXPECT_EQ(reportShortText(organReportOfFile(folder.file("song.mid"), scale)),
              "Notes on channels 1, 9\n3 repeats faster than a pipe, the first C4 at bar 1 beat 1 "
              "(tick 59, 0.06 s), channel 1, track 1");
    EXPECT_EQ(
        reportShortText(organReportOfFile(folder.write("c.mid", reports[3].file), scale)),
        "11 notes outside the scale, the first C2 at bar 1 beat 1 (tick 0, 0.00 s), channel 1, "
        "track 1\nNo transposition fits; +12 leaves 7 notes outside\nUp to 12 notes at once; "
        "the organ sounds 10");
    const std::string longPath(600, 'p');
    EXPECT_EQ(reportPlainLine(longPath, organReportOfFile(folder.path(), scale)),
              longPath + ": code -1, cannot be read");
    // A name that is not UTF-8 (a stray byte, a cut sequence, a surrogate, an overlong form)
    // still gives valid JSON: each bad byte stands as U+FFFD.
    EXPECT_EQ(reportJsonLine("a\"\x01\xC3\xA9\xF0\x9F\x8E\xB5\xFF\xC3(\xED\xA0\x80\xC0\xAF",
                             organReportOfFile(folder.path(), scale)),
              "{\"path\":\"a\\\"\\u0001\xC3\xA9\xF0\x9F\x8E\xB5"
              R"(\ufffd\ufffd(\ufffd\ufffd\ufffd\ufffd\ufffd",)"
              R"("code":-1,"outside":0,"first":null,"channels":[],"fits":[],"best":0,)"
              R"("bestOutside":0,"polyphony":0,"fastRepeats":0})");
}

// Notes 37, 41 and 46 on channels 10 and 3 fit best at +2, where 37 still falls outside: the
// copy keeps the tempo and the time signature, puts all on channel 1 and drops the rest.
TEST(OrganCopy, IsOneTrackOnChannelOneThatTheReaderAndMidoReadAsMeant) {
    TempDir folder;
    const std::string source = folder.write(
        "in.mid", smfFile(1, 96,
                          {wire("00 FF5804 03021808 00 FF5103 07A120 00 FF0103 616263"),
                           wire("00 C205 00 922940 60 822900 00 922E40 60 822E00"),
                           wire("00 992540 30 892500 00 E90040 00 F003 4310F7")}));
    const std::string copy = folder.file("organ.mid");
    OrganCopyResult result;
    ASSERT_EQ(writeOrganCopy(source, copy, result), OrganCopyWritten);
    EXPECT_EQ(result.transpose, 2);
    EXPECT_EQ(result.kept, 2u);
    EXPECT_EQ(result.dropped, 1u);
    // Seconds from the start and the bytes, as tests/midi/mido_times.py prints them.
    const std::string meant = "0 ff5803021808\n0 ff5107a120\n0 c005\n0 902b40\n0.25 e00040\n"
                              "0.5 802b00\n0.5 903040\n1 803000\n";
    ZylmidiFile song;
    ASSERT_EQ(song.load(copy), 0);
    ASSERT_EQ(song.trackCount(), 1);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(ZylorganScale().checkSong(song), OrganFits);
    EXPECT_EQ(midoSays(copy).substr(0, meant.size()), meant);
    // Note 0 is outside at any transposition: nothing is written.
    const std::string none = folder.write("none.mid", singleTrackFile(wire("00 900040 60 800000")));
    EXPECT_EQ(writeOrganCopy(none, folder.file("none-organ.mid"), result), OrganCopyNoNoteLeft);
    EXPECT_FALSE(std::filesystem::exists(folder.file("none-organ.mid")));
    // Channel 2 ends C4 where channel 1 starts it again: on the one channel, the end first; a
    // note of one channel begun and ended at one tick keeps its order.
    const Bytes handed = wire("00 913C40 60 903C40 00 813C00 60 803C00 00 903E40 00 803E00");
    ASSERT_EQ(writeOrganCopy(folder.write("handed.mid", singleTrackFile(handed)), copy, result), 0);
    EXPECT_EQ(
        midoSays(copy).rfind("0 903c40\n0.5 803c00\n0.5 903c40\n1 803c00\n1 903e40\n1 803e00\n", 0),
        0u);
}

} // namespace
