#pragma once

#include "ZylmidiFile.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The Standard MIDI File tempo until the first tempo event: 120 beats per minute.
inline constexpr uint32_t DefaultMicrosPerQuarter = 500000;

// From `tick` on (counted from the start of a sequence), every tick lasts `secondsPerTick`.
struct ZylmidiTempoChange {
    uint64_t tick;
    double secondsPerTick;
};

// The length of a tick along one sequence of a song, as its tempo events set it.
class ZylmidiTempoMap {
public:
    // Every tick lasts `secondsPerTick`; tempo events change nothing.
    explicit ZylmidiTempoMap(double secondsPerTick = 0.0);

    // The song's timing before any tempo event: 120 beats per minute of its division, or
    // for an SMPTE division (top bit set) frames per second × ticks per frame, which tempo
    // events do not change; a division of 0 gives 0.
    static ZylmidiTempoMap startOf(const ZylmidiFile& song);

    // The map that the song's header and the tempo events (FF 51) of tracks
    // [firstTrack, endTrack) describe; tracks are merged by tick, equal ticks in track
    // order, so the last tempo event at a tick wins.
    static ZylmidiTempoMap fromSong(const ZylmidiFile& song, std::size_t firstTrack,
                                    std::size_t endTrack);

    // A tempo event at `tick`, no earlier than the last one; it replaces one at the same tick.
    // A cursor may be walking the map meanwhile, as long as it has not passed `tick`.
    void setTempo(uint64_t tick, uint32_t microsPerQuarter);

    // Sorted by tick; the first change is at tick 0.
    const std::vector<ZylmidiTempoChange>& changes() const { return tempoChanges; }

private:
    std::vector<ZylmidiTempoChange> tempoChanges;
    double ticksPerQuarter = 0.0; // 0 when tempo events do not apply
};

// Seconds per tick for an SMPTE division: the high byte is minus the frame rate (-29 stands
// for 29.97 drop-frame), the low byte the ticks per frame. 0 when either is 0.
double smpteSecondsPerTick(uint16_t division);

// Microseconds per quarter note of a tempo event (FF 51 and three bytes), or -1 for any
// other event and for a tempo of 0, which would send the rest of the song at once.
long tempoEventMicros(const ZylmidiEvent& event);

// Walks a tempo map forward from tick 0, turning successive tick deltas into seconds.
class ZylmidiTempoCursor {
public:
    explicit ZylmidiTempoCursor(const ZylmidiTempoMap& map) : map(&map) {}

    // The seconds that the next `ticks` ticks last.
    double advance(uint32_t ticks);

private:
    const ZylmidiTempoMap* map;
    std::size_t current = 0; // index of the change in force at `tick`
    uint64_t tick = 0;
};
