// The length of a tick at a fixed tempo, from the song's division alone.
#include "MidiTestSupport.h"

namespace {

double tickAt(uint16_t division, uint32_t bpm) {
    ZylmidiFile song;
    song.division = division;
    return song.secondsPerTick(bpm);
}

TEST(MidiTickTiming, TickLengthFromDivisionAndTempo) {
    EXPECT_EQ(ReferenceTempo, 120u);
    const struct {
        uint16_t division;
        uint32_t bpm;
        double seconds;
    } cases[] = {
        {480, ReferenceTempo, 0.5 / 480}, // a quarter note at 120 BPM
        {96, ReferenceTempo, 60.0 / 11520},
        {32767, ReferenceTempo, 60.0 / 3932040},
        {1, 1, 60.0},
        {480, 60, 1.0 / 480},
        // No tick count, or a tempo of 0 that would make every tick endless: no wait.
        {0, ReferenceTempo, 0.0},
        {0xE728, ReferenceTempo, 0.0}, // SMPTE: 25 frames of 40 ticks
        {0x8000, ReferenceTempo, 0.0},
        {0xFFFF, ReferenceTempo, 0.0},
        {480, 0, 0.0},
        // The product is taken in 32 bits: 32767 * 131076 still fits; 16384 * 262145 =
        // 2^32 + 16384 wraps to 16384.
        {32767, 131076, 60.0 / 4294967292.0},
        {16384, 262145, 60.0 / 16384},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(tickAt(c.division, c.bpm), c.seconds) << c.division << " " << c.bpm;
    EXPECT_DOUBLE_EQ(ZylmidiFile().secondsPerTick(ReferenceTempo), 60.0 / 28800); // cleared: 240
}

TEST(MidiTickTiming, TimingComesFromTheHeaderNotFromTempoEvents) {
    TempDir dir;
    ZylmidiFile withTempo, without, smpte;
    // 00 FF 51 03 0F 42 40 (60 BPM) before the note, or the note alone
    const Bytes note = {0x00, 0x90, 0x3C, 0x40, 0x60, 0x90, 0x3C, 0x00};
    Bytes tempoFirst = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40};
    appendBytes(tempoFirst, note);
    ASSERT_EQ(loadBytes(dir, singleTrackFile(tempoFirst, 480), withTempo, "tempo.mid"), 0);
    ASSERT_EQ(loadBytes(dir, singleTrackFile(note, 480), without, "plain.mid"), 0);
    EXPECT_EQ(withTempo.tracks[0].events[0].data, (Bytes{0xFF, 0x51, 0x0F, 0x42, 0x40}));
    EXPECT_DOUBLE_EQ(withTempo.secondsPerTick(ReferenceTempo),
                     without.secondsPerTick(ReferenceTempo));
    EXPECT_DOUBLE_EQ(without.secondsPerTick(ReferenceTempo), 60.0 / 57600);

    // header division bytes E7 28
    ASSERT_EQ(loadBytes(dir, singleTrackFile(note, 0xE728), smpte, "smpte.mid"), 0);
    EXPECT_EQ(smpte.division, 0xE728);
    EXPECT_EQ(smpte.secondsPerTick(ReferenceTempo), 0.0);
}

} // namespace
