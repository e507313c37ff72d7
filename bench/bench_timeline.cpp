// Building the playing order of a big format 1 song (16 tracks, 4,000,000 events) with all
// tracks merged and the tempo followed, as the player does before the first event: time and
// the memory it adds beyond the loaded song.
#include "BenchFigures.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"
#include "ZylmidiTimeline.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int TrackCount = 16;
constexpr std::size_t EventsPerTrack = 250000;

// The song is generated, written and loaded once, then shared by every round.
const ZylmidiFile& bigSong() {
    static const ZylmidiFile song = [] {
        const Bytes bytes = mixedSong(TrackCount, EventsPerTrack);
        TempDir dir;
        ZylmidiFile loaded;
        if (loaded.load(dir.write("big.mid", bytes)) != 0)
            loaded.clear();
        return loaded;
    }();
    return song;
}

struct FirstBuild {
    double bytesPerEvent; // resident bytes that the timeline adds at its peak
    double milliseconds;  // into memory fresh from the system, as for a player's first file
};

// Measured once before any timed round, so that the allocator holds nothing from an
// earlier one; the timed rounds reuse memory that the previous round gave back.
FirstBuild firstBuild(std::size_t events) {
    static const FirstBuild figures = [events] {
        const long before = statusKiB("VmRSS");
        if (!resetPeak())
            return FirstBuild{-1.0, -1.0};
        const auto start = std::chrono::steady_clock::now();
        const ZylmidiTimeline timeline(bigSong(), true, true);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        benchmark::DoNotOptimize(timeline.totalSeconds());
        return FirstBuild{static_cast<double>(statusKiB("VmHWM") - before) * 1024.0 /
                              static_cast<double>(events),
                          took.count()};
    }();
    return figures;
}

void mergeBigSong(benchmark::State& state) {
    const ZylmidiFile& song = bigSong();
    std::size_t events = 0;
    for (const ZylmidiTrack& track : song.tracks)
        events += track.events.size();
    if (events == 0) {
        state.SkipWithError("the song did not load");
        return;
    }
    const FirstBuild first = firstBuild(events);
    double seconds = 0.0;
    for (auto _ : state) {
        auto timeline = std::make_unique<ZylmidiTimeline>(song, true, true);
        seconds = timeline->totalSeconds();
        state.PauseTiming(); // freeing the order is not part of building it
        timeline.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events));
    state.counters["events"] = static_cast<double>(events);
    state.counters["song_seconds"] = seconds;
    state.counters["peak_bytes_per_event"] = first.bytesPerEvent;
    state.counters["first_build_ms"] = first.milliseconds;
}

} // namespace

BENCHMARK(mergeBigSong)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_MAIN();
