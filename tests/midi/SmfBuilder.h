#pragma once
// Standard MIDI File bytes for tests, benchmarks and the fuzz seed corpus: a header, track
// chunks, and track bodies in wire notation.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Groups of hex digits with blanks between; a group that starts with a letter beyond F
// stands for its ASCII bytes, so that chunk names read as themselves: "MTrk 00000003 00C005".
inline Bytes wire(const std::string& text) {
    Bytes out;
    std::istringstream groups(text);
    for (std::string group; groups >> group;)
        for (std::size_t i = 0; i < group.size(); i += (group[0] > 'F' ? 1 : 2))
            out.push_back(static_cast<unsigned char>(
                group[0] > 'F' ? group[i] : std::stoul(group.substr(i, 2), nullptr, 16)));
    return out;
}

inline void appendBigEndian(Bytes& out, uint32_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

// "MThd", length 6, format, track count, division.
inline Bytes smfHeader(uint16_t format, uint16_t trackCount, uint16_t division) {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (const uint16_t field : {format, trackCount, division})
        appendBigEndian(out, field, 2);
    return out;
}

// Appends "MTrk", the body's length, the body.
inline void appendTrackChunk(Bytes& out, const Bytes& body) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
}

// A file of `format` whose tracks hold `bodies`, in their order.
inline Bytes smfFile(uint16_t format, uint16_t division, const std::vector<Bytes>& bodies) {
    Bytes out = smfHeader(format, static_cast<uint16_t>(bodies.size()), division);
    for (const Bytes& body : bodies)
        appendTrackChunk(out, body);
    return out;
}

// A format 0 file whose one track holds `body`.
inline Bytes singleTrackFile(const Bytes& body, uint16_t division = 96) {
    return smfFile(0, division, {body});
}
