#include "ZylmidiTimeline.h"

#include <algorithm>

namespace {

// Picks the track whose next event comes first, the lowest track on equal ticks: a winner
// tree over the tracks' next ticks. Replaying a leaf's path costs a fixed number of
// branch-free comparisons, where a heap's sift mispredicts on interleaved tracks.
class TrackTournament {
public:
    explicit TrackTournament(const std::vector<ZylmidiTrack>& tracks) : tracks(tracks) {
        while (leafCount < tracks.size())
            leafCount *= 2;
        nextTick.assign(leafCount, Exhausted);
        nextIndex.assign(leafCount, 0);
        winner.resize(2 * leafCount);
        for (std::size_t t = 0; t < leafCount; ++t) {
            if (t < tracks.size() && !tracks[t].events.empty())
                nextTick[t] = tracks[t].events[0].delta;
            winner[leafCount + t] = static_cast<uint32_t>(t);
        }
        for (std::size_t node = leafCount - 1; node >= 1; --node)
            replay(node);
    }

    uint32_t track() const { return winner[1]; }
    uint64_t tick() const { return nextTick[winner[1]]; }
    std::size_t index() const { return nextIndex[winner[1]]; }
    const ZylmidiEvent& event() const { return tracks[track()].events[index()]; }

    // Moves the winning track on to its next event.
    void advance() {
        const uint32_t track = winner[1];
        const std::vector<ZylmidiEvent>& events = tracks[track].events;
        if (++nextIndex[track] < events.size())
            nextTick[track] += events[nextIndex[track]].delta;
        else
            nextTick[track] = Exhausted;
        for (std::size_t node = (leafCount + track) / 2; node >= 1; node /= 2)
            replay(node);
    }

private:
    // Ticks add 32-bit deltas over fewer than 2^32 events: no track reaches this.
    static constexpr uint64_t Exhausted = UINT64_MAX;

    // The left subtree holds the lower tracks, so it keeps equal ticks.
    void replay(std::size_t node) {
        const uint32_t left = winner[2 * node], right = winner[2 * node + 1];
        winner[node] = nextTick[right] < nextTick[left] ? right : left;
    }

    const std::vector<ZylmidiTrack>& tracks;
    std::size_t leafCount = 1;
    std::vector<uint64_t> nextTick;
    std::vector<std::size_t> nextIndex;
    std::vector<uint32_t> winner; // node n's winning track; leaves from leafCount on
};

} // namespace

ZylmidiTimeline::ZylmidiTimeline(const ZylmidiFile& song, bool allTracks, bool followTempo)
    : song(song) {
    numberEvents();
    planSequences(allTracks, followTempo);
    if (!merged.empty())
        return; // the merge has added up the seconds on its way
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
        // One song in time: a conductor track's tempo governs every track. A merge meets
        // the tempo events in order and builds the map on its way.
        const bool merging = allTracks && trackCount > 1;
        sequences.push_back(
            {0, merging && followTempo ? ZylmidiTempoMap::startOf(song) : tempoOf(0, trackCount)});
        stepCount = allTracks ? trackStarts.back() : firstTrackSize;
        if (merging)
            mergeTracks(followTempo);
    }
    if (sequences.empty())
        sequences.push_back({0, tempoOf(0, 0)});
}

// Event numbers are 32-bit: a song holds far fewer events than that, each taking over 32
// bytes of memory.
void ZylmidiTimeline::mergeTracks(bool followTempo) {
    const std::size_t count = trackStarts.back();
    merged.reserve(count);
    TrackTournament next(song.tracks);
    ZylmidiTempoMap& tempo = sequences[0].tempo;
    ZylmidiTempoCursor clock(tempo);
    uint64_t lastTick = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto delta = static_cast<uint32_t>(next.tick() - lastTick);
        merged.push_back({static_cast<uint32_t>(trackStarts[next.track()] + next.index()), delta});
        total += clock.advance(delta); // as the iterator adds them, in the same order
        lastTick = next.tick();
        const long micros = followTempo ? tempoEventMicros(next.event()) : -1;
        if (micros >= 0)
            tempo.setTempo(lastTick, static_cast<uint32_t>(micros));
        next.advance();
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
