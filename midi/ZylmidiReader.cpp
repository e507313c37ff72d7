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
constexpr std::size_t StreamBufferSize = 64 * 1024;

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
    data = {0xFF, type};
    if (!in.append(data, length))
        return MidiFileReadError;
    if (data.size() == 2 && type == 0x2F)
        data.clear(); // End of Track carries no message; the track's end is its last event
    return Ok;
}

// F0, length n, at most n - 1 payload bytes, F7; stored as F0 and the payload.
// An F7 met before n - 1 bytes ends the payload early, and with length 0 there is no
// payload at all; either way the byte that follows must be the closing F7. That keeps
// one rule for every length instead of guessing which F7 the writer meant to close with.
int readSysex(ZylmidiByteStream& in, std::vector<unsigned char>& data) {
    uint32_t length = 0;
    if (!readVarLen(in, length))
        return MidiFileReadError;
    data = {0xF0};
    unsigned char byte = 0;
    for (uint32_t i = 1; i < length; ++i) {
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

// Any other status: Cn and Dn take one data byte, everything else two.
int readStatusMessage(ZylmidiByteStream& in, unsigned char status,
                      std::vector<unsigned char>& data) {
    unsigned char first = 0;
    if (!in.get(first))
        return MidiFileReadError;
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

// A data byte where a status belongs: repeat the previous channel message's status.
// Its length follows that stored event, not a table of statuses.
int readRunningStatus(ZylmidiByteStream& in, unsigned char firstData,
                      const std::vector<ZylmidiEvent>& events, std::vector<unsigned char>& data) {
    if (events.empty() || events.back().kind() != EventKind::Channel)
        return MidiFileNoRunningStatus;
    const auto& previous = events.back().data;
    if (previous.size() != 3) {
        data = {previous[0], firstData};
        return Ok;
    }
    unsigned char second = 0;
    if (!in.get(second))
        return MidiFileReadError;
    data = {previous[0], firstData, second};
    return Ok;
}

int readEvent(ZylmidiByteStream& in, const std::vector<ZylmidiEvent>& events, ZylmidiEvent& event) {
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
    return readRunningStatus(in, first, events, event.data);
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
    while (in.position() < chunkEnd) {
        ZylmidiEvent event;
        if (const int result = readEvent(in, events, event); result != Ok)
            return result;
        if (!event.data.empty())
            events.push_back(std::move(event));
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

// A read-only view of bytes in memory as a stream buffer; the default underflow reports
// the end once the get area is used up, and nothing ever writes through the pointers.
class MemoryBuffer : public std::streambuf {
public:
    MemoryBuffer(const unsigned char* bytes, std::size_t size) {
        char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes));
        setg(begin, begin, bytes ? begin + size : begin);
    }
};

int readInto(ZylmidiFile& target, std::streambuf& source) {
    ZylmidiByteStream in(source);
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
    std::vector<char> buffer(StreamBufferSize);
    std::ifstream file;
    file.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    file.open(path, std::ios::binary);
    if (!file)
        return MidiFileCannotOpen;
    return readInto(*this, *file.rdbuf());
}

int ZylmidiFile::loadBytes(const unsigned char* bytes, std::size_t size) {
    clear();
    MemoryBuffer source(bytes, size);
    return readInto(*this, source);
}
