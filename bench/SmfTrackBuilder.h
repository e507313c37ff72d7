#pragma once
// Track bodies written event by event, as a sequencer writes them, for the benchmarks' big
// songs and the fuzz seed corpus.

#include "SmfBuilder.h"

#include <random>

// Seven bits a byte, most significant group first, bit 7 set on all but the last.
inline void appendVarLen(Bytes& out, uint32_t value) {
    for (int shift = 28; shift > 0; shift -= 7)
        if (value >> shift)
            out.push_back(static_cast<unsigned char>(0x80 | ((value >> shift) & 0x7F)));
    out.push_back(static_cast<unsigned char>(value & 0x7F));
}

// One track written as a writer would write it: running status wherever the status repeats.
class SmfTrackBuilder {
public:
    // A channel message, status first; the status is left out when it repeats.
    SmfTrackBuilder& channel(uint32_t delta, const Bytes& message) {
        appendVarLen(bytes, delta);
        bytes.insert(bytes.end(), message.begin() + (message[0] == runningStatus), message.end());
        runningStatus = message[0] < 0xF0 ? message[0] : 0;
        return *this;
    }

    SmfTrackBuilder& text(uint32_t delta, const std::string& words) {
        return other(delta, {0xFF, 0x01}, Bytes(words.begin(), words.end()));
    }

    SmfTrackBuilder& tempo(uint32_t delta, uint32_t microsPerQuarter) {
        Bytes payload;
        appendBigEndian(payload, microsPerQuarter, 3);
        return other(delta, {0xFF, 0x51}, payload);
    }

    // F0, length (payload and F7), payload, F7.
    SmfTrackBuilder& sysex(uint32_t delta, Bytes payload) {
        payload.push_back(0xF7);
        return other(delta, {0xF0}, payload);
    }

    SmfTrackBuilder& endOfTrack(uint32_t delta = 0) { return other(delta, {0xFF, 0x2F}, {}); }

    const Bytes& body() const { return bytes; }

private:
    // Meta and sysex events: lead bytes, the payload's length, the payload. The reader takes
    // running status from channel messages only, so these end it.
    SmfTrackBuilder& other(uint32_t delta, const Bytes& lead, const Bytes& payload) {
        appendVarLen(bytes, delta);
        bytes.insert(bytes.end(), lead.begin(), lead.end());
        appendVarLen(bytes, static_cast<uint32_t>(payload.size()));
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        runningStatus = 0;
        return *this;
    }

    unsigned char runningStatus = 0; // none: every status byte is 80 or above
    Bytes bytes;
};

// Appends `count` events of a busy performance on `channel`: mostly notes in running
// status, with controllers, pitch bends, program changes, now and then a text, a tempo
// change or a short system-exclusive message.
inline void appendMixedEvents(SmfTrackBuilder& track, std::mt19937& random, std::size_t count,
                              unsigned char channel) {
    auto below = [&random](unsigned limit) { return static_cast<unsigned>(random() % limit); };
    auto byte = [&below](unsigned limit) { return static_cast<unsigned char>(below(limit)); };
    auto status = [channel](unsigned kind) { return static_cast<unsigned char>(kind | channel); };
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t delta = below(10) == 0 ? 128 + below(2000) : below(96);
        const unsigned pick = below(1000);
        const auto key = static_cast<unsigned char>(24 + below(80));
        if (pick < 820) // velocity 0 ends a note and keeps the running status going
            track.channel(delta, {status(0x90), key,
                                  static_cast<unsigned char>(below(2) * (1 + below(127)))});
        else if (pick < 960) // controllers below 120, then pitch bends
            track.channel(
                delta, {status(pick < 920 ? 0xB0 : 0xE0), byte(pick < 920 ? 120 : 128), byte(128)});
        else if (pick < 975)
            track.channel(delta, {status(0xC0), byte(128)});
        else if (pick < 985)
            track.text(delta, "verse " + std::to_string(i));
        else if (pick < 990)
            track.tempo(delta, 300000 + below(400000));
        else
            track.sysex(delta, {0x43, 0x10, 0x4C, byte(128), 0x00});
    }
}

// A format 1 file of `trackCount` busy tracks (track n on channel n), 480 ticks a quarter,
// the same for every run.
inline Bytes mixedSong(int trackCount, std::size_t eventsPerTrack) {
    Bytes bytes = smfHeader(1, trackCount, 480);
    std::mt19937 random(2026);
    for (int i = 0; i < trackCount; ++i) {
        SmfTrackBuilder track;
        appendMixedEvents(track, random, eventsPerTrack, static_cast<unsigned char>(i));
        appendTrackChunk(bytes, track.endOfTrack().body());
    }
    return bytes;
}
