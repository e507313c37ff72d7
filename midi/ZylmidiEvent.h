#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// What the first byte of an event's message says it is.
enum class EventKind : int {
    Empty = 0,   // no bytes at all
    Channel = 1, // status below F0
    System = 2,  // F0 to FE
    Meta = 3,    // FF
};

// One timed message of a track. `data` is the complete message: status first, no
// running status; meta events as FF, type, payload; system exclusive as F0 and the
// payload without the closing F7.
struct ZylmidiEvent {
    uint32_t delta = 0; // ticks since the previous event of the same track
    std::vector<unsigned char> data;

    EventKind kind() const;
    // The note of a sounding Note On (three bytes, 9n, velocity not 0), else -1.
    int noteOnNumber() const;
    bool isNoteOn() const { return noteOnNumber() != -1; }
};

// The events of one track chunk, in file order.
struct ZylmidiTrack {
    std::vector<ZylmidiEvent> events;

    ZylmidiTrack() = default;
    explicit ZylmidiTrack(std::vector<ZylmidiEvent> trackEvents) : events(std::move(trackEvents)) {}
};
