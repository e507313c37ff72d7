#pragma once
// What the reader suites share: loading bytes from a real file, and judging songs.

#include "SmfBuilder.h"
#include "TempDir.h"
#include "ZylmidiFile.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

// Writes `bytes` as a file in `dir` and loads it into `song`.
inline int loadBytes(const TempDir& dir, const Bytes& bytes, ZylmidiFile& song,
                     const std::string& name = "song.mid") {
    return song.load(dir.write(name, bytes));
}

// A song holding a format, a division and an event: what a failed load must clear.
inline ZylmidiFile songWithLeftovers() {
    ZylmidiFile song;
    song.format = 1;
    song.division = 480;
    song.tracks.emplace_back().events.push_back({0, {0x90, 60, 1}});
    return song;
}

inline ::testing::AssertionResult isCleared(const ZylmidiFile& song) {
    if (song.format == 0 && song.division == 240 && song.trackCount() == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "song not cleared: format " << song.format << ", division " << song.division << ", "
           << song.trackCount() << " tracks";
}

// Event by event, naming the first one that differs.
inline ::testing::AssertionResult sameEvents(const std::vector<ZylmidiEvent>& actual,
                                             const std::vector<ZylmidiEvent>& expected) {
    for (std::size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        if (actual[i].delta != expected[i].delta || actual[i].data != expected[i].data)
            return ::testing::AssertionFailure()
                   << "event " << i << " differs: delta " << actual[i].delta << " vs "
                   << expected[i].delta << ", " << actual[i].data.size() << " vs "
                   << expected[i].data.size() << " bytes";
    }
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure()
               << actual.size() << " events read, " << expected.size() << " expected";
    return ::testing::AssertionSuccess();
}

// The data of every event of a track, for short literal comparisons.
inline std::vector<Bytes> eventData(const ZylmidiTrack& track) {
    std::vector<Bytes> out;
    for (const auto& event : track.events)
        out.push_back(event.data);
    return out;
}
