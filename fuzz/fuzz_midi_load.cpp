// libFuzzer target: the reader on arbitrary bytes, taken straight from memory. loadBytes
// goes through the same parsing as load, without a file write and open per input.
#include "ZylmidiFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A failed load must leave the song exactly as a cleared one.
void checkCleared(const ZylmidiFile& song) {
    const ZylmidiFile cleared;
    if (!song.tracks.empty() || song.format != cleared.format || song.division != cleared.division)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZylmidiFile song;
    const int result = song.loadBytes(data, size);
    if (result != 0)
        checkCleared(song);
    else
        for (const ZylmidiTrack& track : song.tracks)
            for (const ZylmidiEvent& event : track.events)
                (void)event.noteOnNumber();
    return 0;
}
