#pragma once

#include "ZylmidiEvent.h"
#include "ZylmidiFile.h"

#include <bitset>
#include <vector>

// Results of the organ checks; 0 means the file plays on the organ unchanged.
inline constexpr int OrganFits = 0;
inline constexpr int OrganUnreadable = -1;   // the reader refused the file
inline constexpr int OrganNotOneTrack = -2;  // not exactly one track
inline constexpr int OrganWrongChannel = -3; // a sounding note off channel number 0
inline constexpr int OrganNoteOutside = -4;  // a sounding note the organ does not have

// The 26 notes of a Deleika26 barrel organ, and whether a song fits them: one track, every
// sounding Note On on the first channel and among the organ's notes. Built once, it serves
// any number of checks.
class ZylorganScale {
public:
    ZylorganScale();

    int checkFile(const char* path) const;
    int checkSong(const ZylmidiFile& song) const;
    int checkTrack(const ZylmidiTrack& track) const;

    std::vector<unsigned char> notes; // ascending, as the organ's table lists them
    std::bitset<128> allowed;         // bit n set when note n is on the organ
};
