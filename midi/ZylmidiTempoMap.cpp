#include "ZylmidiTempoMap.h"

#include <algorithm>

namespace {

struct TempoEvent {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

// Tempo events of the tracks in tick order; stable, so equal ticks keep track and file order.
std::vector<TempoEvent> tempoEvents(const ZylmidiFile& song, std::size_t firstTrack,
                                    std::size_t endTrack) {
    std::vector<TempoEvent> found;
    for (std::size_t t = firstTrack; t < endTrack && t < song.tracks.size(); ++t) {
        uint64_t tick = 0;
        for (const ZylmidiEvent& event : song.tracks[t].events) {
            tick += event.delta;
            const long micros = tempoEventMicros(event);
            if (micros >= 0)
                found.push_back({tick, static_cast<uint32_t>(micros)});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const TempoEvent& a, const TempoEvent& b) { return a.tick < b.tick; });
    return found;
}

} // namespace

ZylmidiTempoMap::ZylmidiTempoMap(double secondsPerTick) : tempoChanges{{0, secondsPerTick}} {}

ZylmidiTempoMap ZylmidiTempoMap::startOf(const ZylmidiFile& song) {
    if (song.division & 0x8000)
        return ZylmidiTempoMap(smpteSecondsPerTick(song.division));
    if (song.division == 0)
        return ZylmidiTempoMap(0.0);
    ZylmidiTempoMap map(DefaultMicrosPerQuarter * 1e-6 / song.division);
    map.ticksPerQuarter = song.division;
    return map;
}

ZylmidiTempoMap ZylmidiTempoMap::fromSong(const ZylmidiFile& song, std::size_t firstTrack,
                                          std::size_t endTrack) {
    ZylmidiTempoMap map = startOf(song);
    if (map.ticksPerQuarter > 0)
        for (const TempoEvent& change : tempoEvents(song, firstTrack, endTrack))
            map.setTempo(change.tick, change.microsPerQuarter);
    return map;
}

void ZylmidiTempoMap::setTempo(uint64_t tick, uint32_t microsPerQuarter) {
    if (ticksPerQuarter <= 0)
        return;
    const double secondsPerTick = microsPerQuarter * 1e-6 / ticksPerQuarter;
    if (tempoChanges.back().tick == tick)
        tempoChanges.back().secondsPerTick = secondsPerTick;
    else
        tempoChanges.push_back({tick, secondsPerTick});
}

double smpteSecondsPerTick(uint16_t division) {
    const int frames = -static_cast<int8_t>(division >> 8);
    const int ticksPerFrame = division & 0xFF;
    if (frames <= 0 || ticksPerFrame == 0)
        return 0.0;
    const double framesPerSecond = frames == 29 ? 30000.0 / 1001.0 : frames;
    return 1.0 / (framesPerSecond * ticksPerFrame);
}

long tempoEventMicros(const ZylmidiEvent& event) {
    const std::vector<unsigned char>& data = event.data;
    if (data.size() != 5 || data[0] != 0xFF || data[1] != 0x51)
        return -1;
    const long micros = (long{data[2]} << 16) | (long{data[3]} << 8) | long{data[4]};
    return micros > 0 ? micros : -1;
}

double ZylmidiTempoCursor::advance(uint32_t ticks) {
    const std::vector<ZylmidiTempoChange>& changes = map->changes();
    const uint64_t end = tick + ticks;
    double seconds = 0.0;
    // A change inside the span splits it; one exactly at its end applies from the next span.
    while (current + 1 < changes.size() && changes[current + 1].tick < end) {
        const ZylmidiTempoChange& next = changes[current + 1];
        seconds += static_cast<double>(next.tick - tick) * changes[current].secondsPerTick;
        tick = next.tick;
        ++current;
    }
    seconds += static_cast<double>(end - tick) * changes[current].secondsPerTick;
    tick = end;
    return seconds;
}
