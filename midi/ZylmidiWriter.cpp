#include "ZylmidiWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr unsigned char MetaStatus = 0xFF;
constexpr unsigned char SysexStatus = 0xF0;
constexpr unsigned char SysexEnd = 0xF7;
constexpr uint64_t LargestChunk = UINT32_MAX;

void appendBigEndian(std::vector<unsigned char>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

void appendVarLen(std::vector<unsigned char>& out, uint32_t value) {
    for (int shift = 28; shift > 0; shift -= 7)
        if (value >> shift)
            out.push_back(static_cast<unsigned char>(0x80 | ((value >> shift) & 0x7F)));
    out.push_back(static_cast<unsigned char>(value & 0x7F));
}

bool dataBytes(const std::vector<unsigned char>& data, std::size_t from) {
    for (std::size_t i = from; i < data.size(); ++i)
        if (data[i] & 0x80)
            return false;
    return true;
}

// The reader takes one data byte after Cn and Dn and two after any other status, F1 to FE
// included; a message of another length, or a data byte with bit 7 set, would read back
// as something else.
bool appendMessage(std::vector<unsigned char>& out, const std::vector<unsigned char>& data) {
    const unsigned char high = data[0] & 0xF0;
    const std::size_t length = (high == 0xC0 || high == 0xD0) ? 2 : 3;
    if (data.size() != length || !dataBytes(data, 1))
        return false;
    out.insert(out.end(), data.begin(), data.end());
    return true;
}

bool appendEvent(std::vector<unsigned char>& out, const ZylmidiEvent& event) {
    const std::vector<unsigned char>& data = event.data;
    if (data.empty() || data[0] == SysexEnd || data[0] < 0x80)
        return false;
    appendVarLen(out, event.delta);
    if (data[0] == MetaStatus) {
        if (data.size() < 2 || data.size() - 2 > LargestChunk)
            return false;
        out.insert(out.end(), data.begin(), data.begin() + 2);
        appendVarLen(out, static_cast<uint32_t>(data.size() - 2));
        out.insert(out.end(), data.begin() + 2, data.end());
        return true;
    }
    if (data[0] == SysexStatus) {
        if (!dataBytes(data, 1) || data.size() > LargestChunk)
            return false;
        out.push_back(SysexStatus);
        appendVarLen(out, static_cast<uint32_t>(data.size())); // the payload and the F7
        out.insert(out.end(), data.begin() + 1, data.end());
        out.push_back(SysexEnd);
        return true;
    }
    return appendMessage(out, data);
}

int appendTrack(std::vector<unsigned char>& out, const ZylmidiTrack& track) {
    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    const std::size_t bodyStart = out.size();
    for (const ZylmidiEvent& event : track.events)
        if (!appendEvent(out, event))
            return MidiWriteBadEvent;
    out.insert(out.end(), {0x00, MetaStatus, 0x2F, 0x00});
    const uint64_t length = out.size() - bodyStart;
    if (length > LargestChunk)
        return MidiWriteTooLarge;
    for (int i = 0; i < 4; ++i)
        out[bodyStart - 4 + static_cast<std::size_t>(i)] =
            static_cast<unsigned char>(length >> (24 - 8 * i));
    return MidiWriteOk;
}

bool writeAll(int descriptor, const std::vector<unsigned char>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The rename's new entry in the folder reaches the disk as well.
void syncFolder(const fs::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// A rename would put a regular file in place of a device or a pipe, so only a regular
// file, or none yet, is replaced.
bool replaceable(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return !path.empty() &&
           (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular);
}

int writeBytes(const std::vector<unsigned char>& bytes, const std::string& path) {
    // Replacing a link to a song replaces the song, not the link.
    std::error_code error;
    const fs::path target =
        fs::is_symlink(path, error) ? fs::weakly_canonical(path, error) : fs::absolute(path, error);
    std::string temporary = (target.parent_path() / ".midi-XXXXXX").string();
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0)
        return MidiWriteCannotCreate;
    // A new file gets what any program's would, 0666 less the umask; the umask can only be
    // read by setting it, and no other thread of ours makes files meanwhile.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat old {};
    ::fchmod(descriptor, ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0666 & ~mask);
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return MidiWriteFailed;
    }
    syncFolder(target.parent_path());
    return MidiWriteOk;
}

} // namespace

int encodeSong(const ZylmidiFile& song, std::vector<unsigned char>& out) {
    out.clear();
    if (song.tracks.size() > UINT16_MAX)
        return MidiWriteTooLarge;
    out.insert(out.end(), {'M', 'T', 'h', 'd', 0, 0, 0, 6});
    appendBigEndian(out, song.format, 2);
    appendBigEndian(out, static_cast<uint32_t>(song.tracks.size()), 2);
    appendBigEndian(out, song.division, 2);
    for (const ZylmidiTrack& track : song.tracks) {
        if (const int result = appendTrack(out, track); result != MidiWriteOk) {
            out.clear();
            return result;
        }
    }
    return MidiWriteOk;
}

int writeSong(const ZylmidiFile& song, const std::string& path) {
    if (!replaceable(path))
        return MidiWriteNotAFile;
    std::vector<unsigned char> bytes;
    if (const int result = encodeSong(song, bytes); result != MidiWriteOk)
        return result;
    return writeBytes(bytes, path);
}

const char* midiWriteReason(int code) {
    switch (code) {
    case MidiWriteOk:
        return "written";
    case MidiWriteBadEvent:
        return "the song holds an event no file can hold";
    case MidiWriteTooLarge:
        return "a track is too large for a file";
    case MidiWriteCannotCreate:
        return "no file can be made in its folder";
    case MidiWriteNotAFile:
        return "it is a folder, a pipe or a device, not a file";
    default:
        return "writing it failed";
    }
}
