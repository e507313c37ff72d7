#include "ZylmidiFile.h"

void ZylmidiFile::clear() {
    tracks.clear();
    format = 0;
    division = 240;
}

double ZylmidiFile::secondsPerTick(uint32_t bpm) const {
    const int16_t ticksPerQuarter = static_cast<int16_t>(division);
    if (ticksPerQuarter <= 0)
        return 0.0; // SMPTE division (top bit set) or 0: not a tick count we can time
    const uint32_t ticksPerMinute = static_cast<uint32_t>(ticksPerQuarter) * bpm;
    if (ticksPerMinute == 0)
        return 0.0; // a tempo of 0 would make every tick last forever
    return 60.0 / ticksPerMinute;
}
