#pragma once

#include "ZylmidiEvent.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Results of ZylmidiFile::load and loadBytes; 0 is success.
inline constexpr int MidiFileCannotOpen = -2499;        // not a readable regular file
inline constexpr int MidiFileReadError = -2498;         // the file ended inside something
inline constexpr int MidiFileBadHeader = -2497;         // no MThd, header length not 6, format > 2
inline constexpr int MidiFileBadTrackChunk = -2496;     // a track chunk is not MTrk
inline constexpr int MidiFileSysexUnterminated = -2495; // system exclusive not closed by F7
inline constexpr int MidiFileNoRunningStatus = -2494;   // data byte with no channel status to reuse
inline constexpr int MidiFileBadSysexByte = -2493;      // status byte inside system exclusive data
inline constexpr int MidiFileEscapeUnsupported = -99;   // F7 escape events are not read

// The tempo at which the player turns ticks into time; tempo events do not change it.
inline constexpr uint32_t ReferenceTempo = 120;

// A Standard MIDI File in memory: a plain value, copying it copies every event.
struct ZylmidiFile {
    uint16_t format = 0;
    uint16_t division = 240; // ticks per quarter note, exactly as the header gives it
    std::vector<ZylmidiTrack> tracks;

    ZylmidiFile() { clear(); }

    void clear();
    int trackCount() const { return static_cast<int>(tracks.size()); }

    // Replaces this song with the file at `path`, or leaves it cleared and returns
    // one of the codes above. Never throws for a malformed file, never prints.
    int load(const char* path);
    int load(const std::string& path) { return load(path.c_str()); }
    // The same read from `size` bytes in memory, with the same codes and the same cleared
    // song on failure. A null `bytes` reads as no bytes at all.
    int loadBytes(const unsigned char* bytes, std::size_t size);

    // Length of one tick in seconds at `bpm`; 0.0 when the division is not a positive
    // tick count (SMPTE or 0) or the tempo is 0.
    double secondsPerTick(uint32_t bpm) const;
};
