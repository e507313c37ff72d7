#pragma once

#include "ZylorganScale.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The organ's mechanical limits, as owners of 26-note organs give them.
inline constexpr int OrganMaxPolyphony = 10;    // pipes the bellows feed at once
inline constexpr double OrganBassRepeatMs = 60; // one pipe, Note On to Note On
inline constexpr double OrganTrebleRepeatMs = 100;
inline constexpr int OrganTrebleFromNote = 72; // C5 and up repeat more slowly
// Transpositions tried, in semitones either way.
inline constexpr int OrganMaxTranspose = 12;

// Where a note stands in a song: ticks along the playing order, bar and beat (1 up, from
// the first time signature, 4/4 without one; 0 when the division is no tick count),
// seconds at 120 beats a minute, channel 1-16, track 1 up.
struct OrganPlace {
    uint64_t tick = 0;
    uint64_t bar = 0;
    uint64_t beat = 0;
    double seconds = 0.0;
    int channel = 0;
    int track = 0;
    int note = -1; // -1: there is no such note
};

// Why a song does or does not fit the organ, and what would make it fit.
struct ZylorganReport {
    int code = OrganUnreadable; // the organ check's result, unchanged
    uint64_t outside = 0;       // sounding Note Ons outside the scale, any track or channel
    OrganPlace firstOutside;
    std::vector<int> channels; // 1-16, those that carry sounding notes
    std::vector<int> fits;     // transpositions under which every note fits, nearest first
    int best = 0;              // fits' first, else the one leaving the fewest outside
    uint64_t bestOutside = 0;  // notes still outside at `best`
    int polyphony = 0;         // most notes sounding at once
    uint64_t fastRepeats = 0;  // Note Ons sooner after the last of their note than a pipe can
    OrganPlace firstFastRepeat;

    bool tooManyAtOnce() const { return polyphony > OrganMaxPolyphony; }
    // Refused only for its notes, on one track and channel, and some transposition fits.
    bool transposable() const;
};

// "C4" for note 60; sharps as "#".
std::string noteName(int note);
// "+2", "-3", "0".
std::string transposeText(int semitones);

// One event of a song in playing order (every track merged by tick; format 2 tracks one
// after another), with its track (0 up), its tick along that order and seconds from the
// start at 120 beats a minute.
struct OrganStep {
    const ZylmidiEvent& event;
    std::size_t track;
    uint64_t tick;
    double seconds;
};
void forEachStep(const ZylmidiFile& song, const std::function<void(const OrganStep&)>& visit);

ZylorganReport organReport(const ZylmidiFile& song, const ZylorganScale& scale);
// The report of the file at `path`; code OrganUnreadable, and nothing else, when the
// reader refuses it.
ZylorganReport organReportOfFile(const std::string& path, const ZylorganScale& scale);

// A few lines for a message box: the first note outside and where, what transposition
// fits, and the limits the song goes beyond. Empty for a song that fits within them.
std::string reportShortText(const ZylorganReport& report);
// One line for people, and one JSON object, for `path`.
std::string reportPlainLine(const std::string& path, const ZylorganReport& report);
std::string reportJsonLine(const std::string& path, const ZylorganReport& report);
