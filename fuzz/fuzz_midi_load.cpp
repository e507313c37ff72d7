// libFuzzer target: ZylmidiFile::load on arbitrary bytes. The reader takes a path, so each
// input is written to a file of this process's own first.
#include "ZylmidiFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& inputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/veltrano-fuzz-" +
               std::to_string(getpid()) + ".mid";
    }();
    return path;
}

bool writeInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(inputPath().c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// A failed load must leave the song exactly as a cleared one.
void checkCleared(const ZylmidiFile& song) {
    const ZylmidiFile cleared;
    if (!song.tracks.empty() || song.format != cleared.format || song.division != cleared.division)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!writeInput(data, size))
        std::abort();
    ZylmidiFile song;
    const int result = song.load(inputPath());
    if (result != 0)
        checkCleared(song);
    else
        for (const ZylmidiTrack& track : song.tracks)
            for (const ZylmidiEvent& event : track.events)
                (void)event.noteOnNumber();
    return 0;
}
