#include "ZylmidiTimeline.h"

#include <algorithm>

namespace {

// The next unmerged event of one track. Ticks are 64-bit: a track's deltas may add up past
// 32 bits.
struct TrackHead {
    uint64_t tick;
    uint32_t track;
    uint32_t index;

    bool before(const TrackHead& other) const {
        // Without short-circuit branches: which head comes first is unpredictable.
        return (tick < other.tick) | ((tick == other.tick) & (track < other.track));
    }
};

// Restores the order of a binary min-heap whose top may have moved later.
void siftDown(std::vector<TrackHead>& heap) {
    std::size_t at = 0;
    const TrackHead moving = heap[0];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= heap.size())
            break;
        if (child + 1 < heap.size() && heap[child + 1].before(heap[child]))
            ++child;
        if (!heap[child].before(moving))
            break;
        heap[at] = heap[child];
        at = child;
    }
    heap[at] = moving;
}

} // namespace

ZylmidiTimeline::ZylmidiTimeline(const ZylmidiFile& song, bool allTracks, bool followTempo)
    : song(song) {
    numberEvents();
    planSequences(allTracks, followTempo);
    // Walking the steps without reading them adds their seconds without looking up events.
    for (Iterator step = begin(); step != end(); ++step)
        total += step.seconds;
}

void ZylmidiTimeline::numberEvents() {
    trackStarts.reserve(song.tracks.size() + 1);
    std::size_t count = 0;
    for (const ZylmidiTrack& track : song.tracks) {
        trackStarts.push_back(count);
        count += track.events.size();
    }
    trackStarts.push_back(count);
}

void ZylmidiTimeline::planSequences(bool allTracks, bool followTempo) {
    const std::size_t trackCount = song.tracks.size();
    auto tempoOf = [&](std::size_t firstTrack, std::size_t endTrack) {
        return followTempo ? ZylmidiTempoMap::fromSong(song, firstTrack, endTrack)
                           : ZylmidiTempoMap(song.secondsPerTick(ReferenceTempo));
    };
    const std::size_t firstTrackSize = trackCount == 0 ? 0 : song.tracks[0].events.size();
    if (song.format == 2) {
        // Independent sequences: each restarts at tick 0 under its own tempo events.
        const std::size_t playing = allTracks ? trackCount : std::min<std::size_t>(trackCount, 1);
        for (std::size_t t = 0; t < playing; ++t)
            sequences.push_back({trackStarts[t], tempoOf(t, t + 1)});
        stepCount = trackStarts[playing];
    } else {
        // One song in time: a conductor track's tempo governs every track.
        sequences.push_back({0, tempoOf(0, trackCount)});
        stepCount = allTracks ? trackStarts.back() : firstTrackSize;
        if (allTracks && trackCount > 1)
            mergeTracks();
    }
    if (sequences.empty())
        sequences.push_back({0, tempoOf(0, 0)});
}

// Event numbers are 32-bit: a song holds far fewer events than that, each taking over 32
// bytes of memory.
void ZylmidiTimeline::mergeTracks() {
    std::vector<TrackHead> heap;
    for (std::size_t t = 0; t < song.tracks.size(); ++t) {
        const std::vector<ZylmidiEvent>& events = song.tracks[t].events;
        if (!events.empty())
            heap.push_back({events[0].delta, static_cast<uint32_t>(t), 0});
    }
    std::make_heap(heap.begin(), heap.end(),
                   [](const TrackHead& a, const TrackHead& b) { return b.before(a); });
    merged.reserve(trackStarts.back());
    uint64_t lastTick = 0;
    while (!heap.empty()) {
        TrackHead& head = heap[0];
        merged.push_back({static_cast<uint32_t>(trackStarts[head.track] + head.index),
                          static_cast<uint32_t>(head.tick - lastTick)});
        lastTick = head.tick;
        const std::vector<ZylmidiEvent>& events = song.tracks[head.track].events;
        if (++head.index < events.size()) {
            head.tick += events[head.index].delta;
        } else {
            head = heap.back();
            heap.pop_back();
        }
        if (!heap.empty())
            siftDown(heap);
    }
}

const ZylmidiEvent& ZylmidiTimeline::eventNumbered(std::size_t number, std::size_t& track) const {
    if (number < trackStarts[track] || number >= trackStarts[track + 1])
        track = static_cast<std::size_t>(
            std::upper_bound(trackStarts.begin(), trackStarts.end(), number) - trackStarts.begin() -
            1);
    return song.tracks[track].events[number - trackStarts[track]];
}

ZylmidiTimeline::Iterator::Iterator(const ZylmidiTimeline& timeline, std::size_t step)
    : timeline(&timeline), step(step), clock(timeline.sequences[0].tempo) {
    settle();
}

ZylmidiTimeline::Iterator& ZylmidiTimeline::Iterator::operator++() {
    ++step;
    settle();
    return *this;
}

void ZylmidiTimeline::Iterator::settle() {
    if (step >= timeline->stepCount)
        return;
    const std::vector<Sequence>& sequences = timeline->sequences;
    while (sequence + 1 < sequences.size() && step >= sequences[sequence + 1].firstStep) {
        ++sequence;
        clock = ZylmidiTempoCursor(sequences[sequence].tempo);
    }
    uint32_t delta;
    if (timeline->merged.empty()) {
        eventNumber = step;
        delta = timeline->eventNumbered(step, track).delta;
    } else {
        const MergedStep& merge = timeline->merged[step];
        eventNumber = merge.eventNumber;
        delta = merge.delta;
    }
    seconds = clock.advance(delta);
}
