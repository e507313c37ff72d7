// The organ workbench on a 100,000-event song of four tracks: the report (wanted under
// 20 ms) and the organ copy written to disk (wanted under 50 ms). Median and slowest of
// the rounds, the read from disk reported apart.
#include "BenchFigures.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"
#include "ZylmidiWriter.h"
#include "ZylorganCopy.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

namespace {

constexpr int TrackCount = 4;
constexpr std::size_t EventsPerTrack = 25000;
constexpr int Rounds = 30;

std::string writeBigSong(const TempDir& dir) {
    return dir.write("big.mid", mixedSong(TrackCount, EventsPerTrack));
}

void measure(const char* what, const std::function<void()>& work) {
    std::vector<double> millis;
    for (int round = 0; round < Rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        millis.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::printf("%-44s median %7.2f ms, slowest %7.2f ms\n", what, percentile(millis, 0.5),
                percentile(millis, 1.0));
}

} // namespace

int main() {
    const TempDir dir;
    const std::string path = writeBigSong(dir);
    ZylmidiFile song;
    if (song.load(path) != 0)
        return 1;
    std::size_t events = 0;
    for (const ZylmidiTrack& track : song.tracks)
        events += track.events.size();
    const ZylorganScale scale;
    const ZylorganReport report = organReport(song, scale);
    std::printf("%zu events, %d tracks: code %d, %llu outside, best %s, polyphony %d, "
                "%llu fast repeats\n",
                events, song.trackCount(), report.code,
                static_cast<unsigned long long>(report.outside), transposeText(report.best).c_str(),
                report.polyphony, static_cast<unsigned long long>(report.fastRepeats));
    measure("read from disk", [&] {
        ZylmidiFile again;
        again.load(path);
    });
    measure("report of the loaded song", [&] { organReport(song, scale); });
    measure("report of the file (read included)", [&] { organReportOfFile(path, scale); });
    OrganCopyResult result;
    measure("copy of the loaded song, written",
            [&] { writeSong(organCopy(song, report.best, scale, result), dir.file("organ.mid")); });
    measure("copy of the file (read, report, write)",
            [&] { writeOrganCopy(path, dir.file("organ.mid"), result); });
    return 0;
}
