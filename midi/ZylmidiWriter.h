#pragma once

#include "ZylmidiFile.h"

#include <string>
#include <vector>

// Results of encodeSong and writeSong; 0 is success.
inline constexpr int MidiWriteOk = 0;
inline constexpr int MidiWriteBadEvent = -2599;     // an event the reader could not read back
inline constexpr int MidiWriteTooLarge = -2598;     // a track beyond the 4 GiB a chunk can say
inline constexpr int MidiWriteCannotCreate = -2597; // no temporary file beside the target
inline constexpr int MidiWriteFailed = -2596;       // writing, syncing or renaming failed
inline constexpr int MidiWriteNotAFile = -2595;     // the target is a folder, pipe or device

// A few words on what a result of the writer means, for the person who asked for the file.
const char* midiWriteReason(int code);

// The Standard MIDI File bytes of `song`, as the reader reads them back: every status
// written out (no running status), lengths as variable-length numbers, system exclusive
// closed by the F7 the model leaves out, and an End of Track after each track's events.
// `out` is replaced; on failure it holds nothing.
int encodeSong(const ZylmidiFile& song, std::vector<unsigned char>& out);

// Writes `song` to `path` through a temporary file in the same folder, synced and renamed
// into place, so that a reader sees the old file or the new one and never half of either.
// On failure any file at `path` is left as it was.
int writeSong(const ZylmidiFile& song, const std::string& path);
