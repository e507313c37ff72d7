// The length of a tick at a fixed tempo, from the song's division alone.
#include "MidiTestSupport.h"

namespace {

double tickAt(uint16_t division, uint32_t bpm) {
    ZylmidiFile song;
    song.division = division;
    return song.secondsPerTick(bpm);
}

TEST(MidiTickTiming, TickLengthAtTheReferenceTempo) {
    EXPECT_EQ(ReferenceTempo, 120u);
    EXPECT_DOUBLE_EQ(tickAt(480, ReferenceTempo), 60.0 / 57600);
    EXPECT_DOUBLE_EQ(480 * tickAt(480, ReferenceTempo), 0.5); // a quarter note at 120 BPM
    EXPECT_DOUBLE_EQ(tickAt(96, ReferenceTempo), 60.0 / 11520);
    EXPECT_DOUBLE_EQ(ZylmidiFile().secondsPerTick(ReferenceTempo), 60.0 / 28800); // cleared: 240
    EXPECT_DOUBLE_EQ(tickAt(32767, ReferenceTempo), 60.0 / 3932040);
    EXPECT_DOUBLE_EQ(tickAt(1, 1), 60.0);
    EXPECT_DOUBLE_EQ(tickAt(480, 60), 2 * tickAt(480, 120));
}

TEST(MidiTickTiming, NoTickCountMeansNoWait) {
    EXPECT_EQ(tickAt(0, ReferenceTempo), 0.0);
    EXPECT_EQ(tickAt(0xE728, ReferenceTempo), 0.0); // SMPTE: 25 frames of 40 ticks
    EXPECT_EQ(tickAt(0x8000, ReferenceTempo), 0.0);
    EXPECT_EQ(tickAt(0xFFFF, ReferenceTempo), 0.0);
    EXPECT_EQ(tickAt(480, 0), 0.0); // a tempo of 0 would make every tick endless
}

TEST(MidiTickTiming, ProductIsTakenIn32Bits) {
    // 32767 * 131076 = 4294967292 still fits; 32768 * 131072 does not reach here (SMPTE bit).
    EXPECT_DOUBLE_EQ(tickAt(32767, 131076), 60.0 / 4294967292.0);
    // 16384 * 262145 = 2^32 + 16384 wraps to 16384.
    EXPECT_DOUBLE_EQ(tickAt(16384, 262145), 60.0 / 16384);
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
