#pragma once
// Writes Standard MIDI File bytes for tests, the fuzz seed corpus and the benchmark, and
// keeps, beside the bytes, the events a correct reader has to give back for them.

#include "ZylmidiEvent.h"

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Seven bits a byte, most significant group first, bit 7 set on all but the last.
inline void appendVarLen(Bytes& out, uint32_t value) {
    unsigned char groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<unsigned char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<unsigned char>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

inline void appendBigEndian(Bytes& out, uint32_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

inline void appendBytes(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

// "MThd", length 6, format, track count, division.
inline Bytes smfHeader(uint16_t format, uint16_t trackCount, uint16_t division) {
    Bytes out{'M', 'T', 'h', 'd'};
    appendBigEndian(out, 6, 4);
    appendBigEndian(out, format, 2);
    appendBigEndian(out, trackCount, 2);
    appendBigEndian(out, division, 2);
    return out;
}

// "MTrk", a length field that may lie about the body, then the body.
inline Bytes trackChunk(const Bytes& body, uint32_t declaredLength) {
    Bytes out{'M', 'T', 'r', 'k'};
    appendBigEndian(out, declaredLength, 4);
    appendBytes(out, body);
    return out;
}

inline Bytes trackChunk(const Bytes& body) {
    return trackChunk(body, static_cast<uint32_t>(body.size()));
}

// A format 0 file whose one track holds `body`.
inline Bytes singleTrackFile(const Bytes& body, uint16_t division = 96) {
    Bytes out = smfHeader(0, 1, division);
    appendBytes(out, trackChunk(body));
    return out;
}

// One track written as a writer would write it: running status wherever the status
// repeats. With `keepEvents` false only the bytes are kept, for songs too big to hold twice.
class SmfTrackBuilder {
public:
    explicit SmfTrackBuilder(bool keepEvents = true) : keepEvents(keepEvents) {}

    // A channel message, status first; the status is left out when it repeats.
    SmfTrackBuilder& channel(uint32_t delta, const Bytes& message) {
        appendVarLen(wire, delta);
        const bool repeats = message[0] == runningStatus;
        wire.insert(wire.end(), message.begin() + (repeats ? 1 : 0), message.end());
        runningStatus = message[0] < 0xF0 ? message[0] : NoStatus;
        return keep(delta, message);
    }

    SmfTrackBuilder& meta(uint32_t delta, unsigned char type, const Bytes& payload) {
        appendVarLen(wire, delta);
        wire.push_back(0xFF);
        wire.push_back(type);
        appendVarLen(wire, static_cast<uint32_t>(payload.size()));
        appendBytes(wire, payload);
        runningStatus = NoStatus; // the reader takes running status from channel messages only
        if (type == 0x2F && payload.empty())
            return *this; // End of Track is not kept as an event
        Bytes stored{0xFF, type};
        appendBytes(stored, payload);
        return keep(delta, stored);
    }

    SmfTrackBuilder& text(uint32_t delta, const std::string& words) {
        return meta(delta, 0x01, Bytes(words.begin(), words.end()));
    }

    SmfTrackBuilder& tempo(uint32_t delta, uint32_t microsPerQuarter) {
        Bytes payload;
        appendBigEndian(payload, microsPerQuarter, 3);
        return meta(delta, 0x51, payload);
    }

    // F0, length (payload and F7), payload, F7; kept as F0 and the payload.
    SmfTrackBuilder& sysex(uint32_t delta, const Bytes& payload) {
        appendVarLen(wire, delta);
        wire.push_back(0xF0);
        appendVarLen(wire, static_cast<uint32_t>(payload.size() + 1));
        appendBytes(wire, payload);
        wire.push_back(0xF7);
        runningStatus = NoStatus;
        Bytes stored{0xF0};
        appendBytes(stored, payload);
        return keep(delta, stored);
    }

    SmfTrackBuilder& endOfTrack(uint32_t delta = 0) { return meta(delta, 0x2F, {}); }

    const Bytes& body() const { return wire; }
    const std::vector<ZylmidiEvent>& events() const { return kept; }

private:
    static constexpr int NoStatus = -1;

    SmfTrackBuilder& keep(uint32_t delta, const Bytes& data) {
        if (keepEvents)
            kept.push_back(ZylmidiEvent{delta, data});
        return *this;
    }

    bool keepEvents;
    int runningStatus = NoStatus;
    Bytes wire;
    std::vector<ZylmidiEvent> kept;
};

// Appends `count` events of a busy performance on `channel`: mostly notes in running
// status, with controllers, pitch bends, program changes, now and then a text, a tempo
// change or a short system-exclusive message.
inline void appendMixedEvents(SmfTrackBuilder& track, std::mt19937& random, std::size_t count,
                              unsigned char channel) {
    auto below = [&random](unsigned limit) { return static_cast<unsigned>(random() % limit); };
    const auto noteOn = static_cast<unsigned char>(0x90 | channel);
    const auto controller = static_cast<unsigned char>(0xB0 | channel);
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t delta = below(10) == 0 ? 128 + below(2000) : below(96);
        const unsigned pick = below(1000);
        const auto key = static_cast<unsigned char>(24 + below(80));
        if (pick < 820) // velocity 0 ends a note and keeps the running status going
            track.channel(delta,
                          {noteOn, key, static_cast<unsigned char>(below(2) * (1 + below(127)))});
        else if (pick < 920)
            track.channel(delta, {controller, static_cast<unsigned char>(below(120)),
                                  static_cast<unsigned char>(below(128))});
        else if (pick < 960)
            track.channel(delta, {static_cast<unsigned char>(0xE0 | channel),
                                  static_cast<unsigned char>(below(128)),
                                  static_cast<unsigned char>(below(128))});
        else if (pick < 975)
            track.channel(delta, {static_cast<unsigned char>(0xC0 | channel),
                                  static_cast<unsigned char>(below(128))});
        else if (pick < 985)
            track.text(delta, "verse " + std::to_string(i));
        else if (pick < 990)
            track.tempo(delta, 300000 + below(400000));
        else
            track.sysex(delta, {0x43, 0x10, 0x4C, static_cast<unsigned char>(below(128)), 0x00});
    }
}
