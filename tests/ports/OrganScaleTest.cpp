#include "ZylorganScale.h"

#include "SmfBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Messages = std::vector<Bytes>;

Bytes oneTrackFile(const Messages& messages) {
    SmfTrackBuilder track;
    for (const Bytes& message : messages) {
        if (message[0] == 0xFF)
            track.meta(10, message[1], Bytes(message.begin() + 2, message.end()));
        else
            track.channel(10, message);
    }
    track.endOfTrack();
    return singleTrackFile(track.body(), 480);
}

Bytes twoTrackFile(const Messages& messages) {
    SmfTrackBuilder first, second;
    for (const Bytes& message : messages)
        first.channel(10, message);
    first.endOfTrack();
    second.endOfTrack();
    Bytes out = smfHeader(1, 2, 480);
    appendBytes(out, trackChunk(first.body()));
    appendBytes(out, trackChunk(second.body()));
    return out;
}

const Messages Triad = {{0x90, 60, 90}, {0x90, 64, 90}, {0x90, 67, 90}, {0x80, 60, 0}};

struct FileCase {
    const char* what;
    Bytes file;
    int expected;
};

TEST(OrganScale, JudgesFilesOnDisk) {
    const std::vector<FileCase> cases = {
        {"notes of the scale on channel 0", oneTrackFile(Triad), OrganFits},
        {"a note outside the scale", oneTrackFile({{0x90, 60, 90}, {0x90, 61, 90}}),
         OrganNoteOutside},
        {"a note on channel 9", oneTrackFile({{0x90, 60, 90}, {0x99, 60, 90}}), OrganWrongChannel},
        {"the channel is judged first", oneTrackFile({{0x99, 61, 90}}), OrganWrongChannel},
        {"velocity 0, Note Off, controller and meta are ignored",
         oneTrackFile({{0x90, 61, 0}, {0x80, 61, 64}, {0xB5, 7, 100}, {0xFF, 0x01, 'x'}}),
         OrganFits},
        {"no sounding note at all", oneTrackFile({{0xC3, 5}}), OrganFits},
        {"two tracks whose notes fit", twoTrackFile(Triad), OrganNotOneTrack},
        {"not a MIDI file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0}, OrganUnreadable},
    };
    TempDir folder;
    const ZylorganScale organ; // one object serves every check
    for (const FileCase& c : cases) {
        const std::string path = folder.write("song.mid", c.file);
        EXPECT_EQ(organ.checkFile(path.c_str()), c.expected) << c.what;
    }
    EXPECT_EQ(organ.checkFile(folder.file("missing.mid").c_str()), OrganUnreadable);
    EXPECT_EQ(organ.checkFile(folder.path().c_str()), OrganUnreadable);
    EXPECT_EQ(organ.checkSong(ZylmidiFile{}), OrganNotOneTrack); // a song without tracks
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
