// ZylmidiFile::load and loadBytes: the Standard MIDI File reader.
#include "ZylmidiByteStream.h"
#include "ZylmidiFile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <streambuf>
#include <system_error>

namespace {

constexpr int Ok = 0;
constexpr std::size_t HeaderSize = 14;
constexpr std::size_t ChunkHeaderSize = 8;

uint32_t bigEndian32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

uint16_t bigEndian16(const unsigned char* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

template <std::size_t N>
bool readExactly(ZylmidiByteStream& in, std::array<unsigned char, N>& out) {
    for (auto& byte : out)
        if (!in.get(byte))
            return false;
    return true;
}

struct Header {
    uint16_t format = 0;
    uint16_t trackCount = 0;
    uint16_t division = 0;
};

int readHeader(ZylmidiByteStream& in, Header& header) {
    std::array<unsigned char, HeaderSize> bytes{};
    if (!readExactly(in, bytes))
        return MidiFileReadError;
    if (std::memcmp(bytes.data(), "MThd", 4) != 0 || bigEndian32(&bytes[4]) != 6)
        return MidiFileBadHeader;
    header.format = bigEndian16(&bytes[8]);
    header.trackCount = bigEndian16(&bytes[10]);
    header.division = bigEndian16(&bytes[12]);
    return header.format > 2 ? MidiFileBadHeader : Ok;
}

// FF, type, length, payload: stored as FF, type, payload.
int readMeta(ZylmidiByteStream& in, std::vector<unsigned char>& data) {
    unsigned char type = 0;
    uint32_t length = 0;
    if (!in.get(type) || !readVarLen(in, length))
        return MidiFileReadError;
    data.clear();
    if (length == 0 && type == 0x2F)
        return Ok; // End of Track carries no message; the track's end is its last event
    // One allocation for a payload in view, never more than the bytes that are there.
    data.reserve(2 + static_cast<std::size_t>(std::min<uint64_t>(length, in.inView())));
    data.push_back(0xFF);
    data.push_back(type);
    return in.append(data, length) ? Ok : MidiFileReadError;
}

// F0, length n, at most n - 1 payload bytes, F7; stored as F0 and the payload.
// An F7 met before n - 1 bytes ends the payload early, and with length 0 there is no
// payload at all; either way the byte that follows must be the closing F7. That keeps
// one rule for every length instead of guessing which F7 the writer meant to close with.
int readSysex(ZylmidiByteStream& in, std::vector<unsigned char>& data) {
    uint32_t length = 0;
    if (!readVarLen(in, length))
        return MidiFileReadError;
    // The payload bytes already in view go in with one allocation; the loop below takes
    // whatever the view did not hold, and every error, byte by byte.
    const std::size_t limit =
        static_cast<std::size_t>(std::min<uint64_t>(length > 0 ? length - 1 : 0, in.inView()));
    const unsigned char* payload = in.view();
    std::size_t plain = 0;
    while (plain < limit && payload[plain] < 0x80)
        ++plain;
    data.clear();
    data.reserve(1 + plain);
    data.push_back(0xF0);
    data.insert(data.end(), payload, payload + plain);
    in.skip(plain);
    unsigned char byte = 0;
    for (uint32_t i = 1 + static_cast<uint32_t>(plain); i < length; ++i) {
        if (!in.get(byte))
            return MidiFileReadError;
        if (byte == 0xF7)
            break;
        if (byte & 0x80)
            return MidiFileBadSysexByte;
        data.push_back(byte);
    }
    if (!in.get(byte))
        return MidiFileReadError;
    return byte == 0xF7 ? Ok : MidiFileSysexUnterminated;
}

// The rest of a message whose status and first data byte are known: Cn and Dn take one
// data byte, any other status two.
int readMessage(ZylmidiByteStream& in, unsigned char status, unsigned char first,
                std::vector<unsigned char>& data) {
    const unsigned char high = status & 0xF0;
    if (high == 0xC0 || high == 0xD0) {
        data = {status, first};
        return Ok;
    }
    unsigned char second = 0;
    if (!in.get(second))
        return MidiFileReadError;
    data = {status, first, second};
    return Ok;
}

int readStatusMessage(ZylmidiByteStream& in, unsigned char status,
                      std::vector<unsigned char>& data) {
    unsigned char first = 0;
    if (!in.get(first))
        return MidiFileReadError;
    return readMessage(in, status, first, data);
}

// A data byte where a status belongs: repeat `running`, the status of the last kept event
// when that was a channel message, else 0.
int readRunningStatus(ZylmidiByteStream& in, unsigned char firstData, unsigned char running,
                      std::vector<unsigned char>& data) {
    if (running == 0)
        return MidiFileNoRunningStatus;
    return readMessage(in, running, firstData, data);
}

int readEvent(ZylmidiByteStream& in, unsigned char running, ZylmidiEvent& event) {
    unsigned char first = 0;
    if (!readVarLen(in, event.delta) || !in.get(first))
        return MidiFileReadError;
    if (first == 0xFF)
        return readMeta(in, event.data);
    if (first == 0xF0)
        return readSysex(in, event.data);
    if (first == 0xF7)
        return MidiFileEscapeUnsupported;
    if (first & 0x80)
        return readStatusMessage(in, first, event.data);
    return readRunningStatus(in, first, running, event.data);
}

int readTrack(ZylmidiByteStream& in, ZylmidiTrack& track) {
    std::array<unsigned char, ChunkHeaderSize> chunk{};
    if (!readExactly(in, chunk))
        return MidiFileReadError;
    if (std::memcmp(chunk.data(), "MTrk", 4) != 0)
        return MidiFileBadTrackChunk;
    // Events behind an End of Track are kept; an event running past the end is read whole.
    const uint64_t chunkLength = bigEndian32(&chunk[4]);
    const uint64_t chunkEnd = in.position() + chunkLength;
    std::vector<ZylmidiEvent> events;
    // An event takes two bytes at least, so this many slots hold the whole chunk without
    // moving the events as it grows; bounded by the bytes really left, not by a lying length.
    events.reserve(static_cast<std::size_t>((std::min(chunkLength, in.available()) + 1) / 2));
    unsigned char running = 0;
    while (in.position() < chunkEnd) {
        // Read in place: the reserved slot is filled once, never moved into.
        ZylmidiEvent& event = events.emplace_back();
        if (const int result = readEvent(in, running, event); result != Ok)
            return result;
        if (event.data.empty())
            events.pop_back();
        else
            running = event.kind() == EventKind::Channel ? event.data[0] : 0;
    }
    events.shrink_to_fit(); // big songs would otherwise keep up to half their slots unused
    track = ZylmidiTrack(std::move(events));
    return Ok;
}

int readSong(ZylmidiByteStream& in, ZylmidiFile& song) {
    Header header;
    if (const int result = readHeader(in, header); result != Ok)
        return result;
    song.format = header.format;
    song.division = header.division;
    // A track chunk takes eight bytes at least: a lying count reserves no more than that.
    song.tracks.reserve(static_cast<std::size_t>(
        std::min<uint64_t>(header.trackCount, in.available() / ChunkHeaderSize)));
    for (unsigned i = 0; i < header.trackCount; ++i) {
        ZylmidiTrack track;
        if (const int result = readTrack(in, track); result != Ok)
            return result;
        song.tracks.push_back(std::move(track));
    }
    return Ok;
}

// Only regular files are opened: a FIFO would block the open until some writer came,
// and a folder opens on some systems only to fail at the first read.
bool isRegularFile(const char* path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

int readInto(ZylmidiFile& target, ZylmidiByteStream& in) {
    ZylmidiFile song;
    const int result = readSong(in, song);
    if (result == Ok)
        target = std::move(song); // a song of millions of events is never held twice
    return result;
}

} // namespace

int ZylmidiFile::load(const char* path) {
    clear();
    if (path == nullptr || !isRegularFile(path))
        return MidiFileCannotOpen;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return MidiFileCannotOpen;
    ZylmidiByteStream in(*file.rdbuf());
    return readInto(*this, in);
}

int ZylmidiFile::loadBytes(const unsigned char* bytes, std::size_t size) {
    clear();
    ZylmidiByteStream in(bytes, size);
    return readInto(*this, in);
}
