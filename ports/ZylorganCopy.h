#pragma once

#include "ZylorganReport.h"

#include <string>

// Results of writeOrganCopy; 0 is success, the writer's own codes (ZylmidiWriter.h) pass
// through.
inline constexpr int OrganCopyWritten = 0;
inline constexpr int OrganCopyUnreadable = -1; // the reader refused the song
inline constexpr int OrganCopyNoNoteLeft = -5; // the song had notes and none of them fits

// What the copy did.
struct OrganCopyResult {
    int transpose = 0;
    uint64_t dropped = 0; // Note Ons outside the scale even when transposed
    uint64_t kept = 0;
};

// The song as the organ plays it: format 0, the song's division, one track in playing
// order, every channel message on channel 1, tempo and time-signature events kept, notes
// moved by `semitones`; notes still outside the scale are dropped with their Note Offs and
// pressure. Other meta events and system messages mean nothing to the organ and go.
ZylmidiFile organCopy(const ZylmidiFile& song, int semitones, const ZylorganScale& scale,
                      OrganCopyResult& result);

// Reads `source`, makes its copy at the report's best transposition and writes it to
// `target` atomically. Nothing is written when no note would be left.
int writeOrganCopy(const std::string& source, const std::string& target, OrganCopyResult& result);

// Moves Note On, Note Off and polyphonic pressure by `semitones`, in place; a note that
// would leave 0-127 stays where it is.
void transposeNotes(ZylmidiFile& song, int semitones);
