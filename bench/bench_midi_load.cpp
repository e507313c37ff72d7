// Load speed and memory of ZylmidiFile::load on a big generated format 1 file: 16 tracks,
// 4,000,000 events of notes in running status, controllers, meta text and sysex.
#include "BenchFigures.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"
#include "ZylmidiFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr int TrackCount = 16;
constexpr std::size_t EventsPerTrack = 250000;

Bytes bigSong() {
    return mixedSong(TrackCount, EventsPerTrack);
}

std::size_t eventCount(const ZylmidiFile& song) {
    std::size_t count = 0;
    for (const ZylmidiTrack& track : song.tracks)
        count += track.events.size();
    return count;
}

// The song is written once, to a file that lives as long as the program.
const std::string& songPath() {
    static TempDir dir;
    static const std::string path = [] {
        const std::string file = dir.file("big.mid");
        writeBytes(file, bigSong());
        return file;
    }();
    return path;
}

// Resident bytes per event that one load of the song adds at its peak. Measured once,
// before any timed load, so that the allocator holds nothing from an earlier song.
double peakBytesPerEvent() {
    static const double figure = [] {
        ZylmidiFile song;
        const long before = statusKiB("VmRSS");
        if (!resetPeak() || song.load(songPath()) != 0)
            return -1.0;
        return static_cast<double>(statusKiB("VmHWM") - before) * 1024.0 /
               static_cast<double>(eventCount(song));
    }();
    return figure;
}

void loadBigSong(benchmark::State& state) {
    const std::string& path = songPath();
    const double bytesPerEvent = peakBytesPerEvent();
    std::size_t events = 0;
    for (auto _ : state) {
        ZylmidiFile song;
        if (song.load(path) != 0) {
            state.SkipWithError("the song did not load");
            return;
        }
        events = eventCount(song);
        state.PauseTiming(); // freeing the song is not part of loading it
        song.clear();
        state.ResumeTiming();
    }
    const auto rounds = static_cast<int64_t>(state.iterations());
    state.SetBytesProcessed(rounds * static_cast<int64_t>(std::filesystem::file_size(path)));
    state.SetItemsProcessed(rounds * static_cast<int64_t>(events));
    state.counters["events"] = static_cast<double>(events);
    state.counters["peak_bytes_per_event"] = bytesPerEvent;
}

} // namespace

BENCHMARK(loadBigSong)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_MAIN();
