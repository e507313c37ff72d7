// Songs as a sequencer would write them, a few thousand events each, checked event by event.
#include "MidiTestSupport.h"

#include <tuple>

namespace {

// Format 0 with every channel in one track; format 1 with a tempo track and one track per
// channel.
TEST(MidiRealisticFile, SequencerSongsReadEventByEvent) {
    std::mt19937 random(2024);
    std::vector<SmfTrackBuilder> zero(1), one(6);
    zero[0].text(0, "Format 0 song").tempo(0, 500000).sysex(0, {0x7E, 0x7F, 0x09, 0x01});
    for (unsigned char channel = 0; channel < 16; ++channel)
        appendMixedEvents(zero[0], random, 250, channel);
    zero[0].endOfTrack(96);
    ASSERT_GT(zero[0].events().size(), 4000u);
    one[0].text(0, "Format 1 song").tempo(0, 600000).meta(0, 0x58, {4, 2, 24, 8});
    for (int change = 0; change < 40; ++change)
        one[0].tempo(960, 400000 + 5000 * change);
    for (std::size_t i = 1; i < one.size(); ++i) {
        one[i].meta(0, 0x03, {'P', 'a', 'r', 't'}).sysex(0, {0x41, 0x10, 0x42, 0x12, 0x00});
        appendMixedEvents(one[i], random, 900, static_cast<unsigned char>(i));
        one[i].endOfTrack();
    }
    one[0].endOfTrack();

    TempDir dir;
    for (const auto& [format, division, tracks] :
         {std::make_tuple(0, 384, &zero), std::make_tuple(1, 960, &one)}) {
        Bytes file = smfHeader(static_cast<uint16_t>(format), static_cast<uint16_t>(tracks->size()),
                               static_cast<uint16_t>(division));
        for (const SmfTrackBuilder& track : *tracks)
            appendBytes(file, trackChunk(track.body()));
        ZylmidiFile song;
        ASSERT_EQ(loadBytes(dir, file, song), 0);
        EXPECT_EQ(song.format, format);
        EXPECT_EQ(song.division, division);
        ASSERT_EQ(song.trackCount(), static_cast<int>(tracks->size()));
        for (std::size_t i = 0; i < tracks->size(); ++i)
            EXPECT_TRUE(sameEvents(song.tracks[i].events, (*tracks)[i].events())) << i;
    }
}

TEST(MidiRealisticFile, MixedEventsUseRunningStatusAndEveryKind) {
    // The generator must really exercise what the other suites rely on it for.
    std::mt19937 random(1);
    SmfTrackBuilder track;
    appendMixedEvents(track, random, 5000, 3);
    std::size_t meta = 0, sysex = 0, twoByte = 0, threeByte = 0;
    std::size_t wireSize = 0;
    for (const auto& event : track.events()) {
        meta += event.kind() == EventKind::Meta;
        sysex += event.kind() == EventKind::System;
        twoByte += event.kind() == EventKind::Channel && event.data.size() == 2;
        threeByte += event.kind() == EventKind::Channel && event.data.size() == 3;
        wireSize += event.data.size() + 1;
    }
    EXPECT_GT(meta, 20u);
    EXPECT_GT(sysex, 20u);
    EXPECT_GT(twoByte, 20u);
    EXPECT_GT(threeByte, 4000u);
    EXPECT_LT(track.body().size(), wireSize); // running status left bytes out

    TempDir dir;
    ZylmidiFile song;
    ASSERT_EQ(loadBytes(dir, singleTrackFile(track.body()), song), 0);
    EXPECT_TRUE(sameEvents(song.tracks[0].events, track.events()));
}

} // namespace
