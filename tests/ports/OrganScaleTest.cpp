#include "ZylorganScale.h"

#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

using Messages = std::vector<Bytes>;

Bytes trackBody(const Messages& messages) {
    SmfTrackBuilder track;
    for (const Bytes& message : messages)
        message[0] == 0xFF ? track.text(10, "x") : track.channel(10, message);
    return track.endOfTrack().body();
}

Bytes oneTrack(const Messages& messages) {
    return singleTrackFile(trackBody(messages), 480);
}

const Messages Triad = {{0x90, 60, 90}, {0x90, 64, 90}, {0x90, 67, 90}, {0x80, 60, 0}};

TEST(OrganScale, JudgesFilesOnDisk) {
    Bytes twoTracks = smfHeader(1, 2, 480);
    appendBytes(twoTracks, trackChunk(trackBody(Triad)));
    appendBytes(twoTracks, trackChunk(trackBody({})));
    const struct {
        const char* what;
        Bytes file;
        int expected;
    } cases[] = {
        {"scale notes on channel 0", oneTrack(Triad), OrganFits},
        {"a note outside", oneTrack({{0x90, 60, 90}, {0x90, 61, 90}}), OrganNoteOutside},
        {"channel 9", oneTrack({{0x90, 60, 90}, {0x99, 60, 90}}), OrganWrongChannel},
        {"channel before note", oneTrack({{0x99, 61, 90}}), OrganWrongChannel},
        {"ignored events", oneTrack({{0x90, 61, 0}, {0x80, 61, 64}, {0xB5, 7, 1}, {0xFF}}),
         OrganFits},
        {"two tracks that fit", twoTracks, OrganNotOneTrack},
        {"not a MIDI file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, OrganUnreadable},
    };
    TempDir folder;
    const ZylorganScale organ; // one object serves every check
    for (const auto& c : cases)
        EXPECT_EQ(organ.checkFile(folder.write("song.mid", c.file).c_str()), c.expected) << c.what;
    EXPECT_EQ(organ.checkFile(folder.file("missing.mid").c_str()), OrganUnreadable);
    EXPECT_EQ(organ.checkSong(ZylmidiFile{}), OrganNotOneTrack); // no tracks at all
}

TEST(OrganScale, HoldsTheTwentySixNotesOfTheOrgan) {
    const ZylorganScale organ;
    const std::vector<unsigned char> expected = {43, 48, 50, 55, 57, 59, 60, 62, 64,
                                                 65, 66, 67, 69, 71, 72, 73, 74, 76,
                                                 77, 78, 79, 81, 83, 84, 86, 88};
    EXPECT_EQ(organ.notes, expected);
    EXPECT_EQ(organ.allowed.count(), 26u);
    for (int note : {42, 44, 61, 63, 68, 70, 75, 80, 82, 85, 87, 89})
        EXPECT_FALSE(organ.allowed.test(note)) << note;
}

} // namespace
