#pragma once
// Songs as text, to compare what the project's reader makes of a file with what python3-mido
// makes of it. MIDO_TIMES is tests/midi/mido_times.py, given by the test's CMake target.

#include "ZylmidiFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iomanip>
#include <sstream>
#include <string>

inline std::string hexOf(const std::vector<unsigned char>& bytes) {
    std::ostringstream out;
    for (const unsigned byte : bytes)
        out << std::hex << std::setw(2) << std::setfill('0') << byte;
    return out.str();
}

// "format division", then per track "|" and each event as "delta:bytes".
inline std::string describe(const ZylmidiFile& song) {
    std::ostringstream out;
    out << song.format << ' ' << song.division;
    for (const ZylmidiTrack& track : song.tracks) {
        out << " |";
        for (const ZylmidiEvent& event : track.events)
            out << ' ' << event.delta << ':' << hexOf(event.data);
    }
    return out.str();
}

// Each event's seconds from the start and its bytes, one a line, as python3-mido reads them.
inline std::string midoSays(const std::string& path) {
    FILE* mido = popen(("/usr/bin/python3 '" MIDO_TIMES "' " + path).c_str(), "r");
    std::string text;
    for (int c; mido && (c = std::fgetc(mido)) != EOF;)
        text += static_cast<char>(c);
    EXPECT_TRUE(mido && pclose(mido) == 0) << "python3-mido could not read " << path;
    return text;
}
