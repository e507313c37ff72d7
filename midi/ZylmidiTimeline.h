#pragma once

#include "ZylmidiFile.h"
#include "ZylmidiTempoMap.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

// The events of a song in playing order, each with the seconds to wait before it.
// With both options off: the first track's events in file order at the reference tempo.
// `allTracks` merges every track by tick (equal ticks in track order, then file order), or
// for format 2 plays the tracks one after another. `followTempo` times ticks by the tempo
// events (of every track, or of the playing track alone for format 2) and SMPTE divisions.
// Nothing is copied: the timeline refers to the song's events, which must outlive it.
class ZylmidiTimeline {
public:
    ZylmidiTimeline(const ZylmidiFile& song, bool allTracks, bool followTempo);

    struct Step {
        const ZylmidiEvent& event;
        double seconds; // since the previous step, at speed 1
    };

    // Computes each step's seconds on the way; meta events stay in, their time counts.
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = Step;
        using reference = Step;
        using pointer = void;
        using difference_type = std::ptrdiff_t;

        Step operator*() const {
            return Step{timeline->eventNumbered(eventNumber, track), seconds};
        }
        Iterator& operator++();
        bool operator==(const Iterator& other) const { return step == other.step; }
        bool operator!=(const Iterator& other) const { return step != other.step; }

    private:
        friend class ZylmidiTimeline;
        Iterator(const ZylmidiTimeline& timeline, std::size_t step);
        void settle();

        const ZylmidiTimeline* timeline;
        std::size_t step;
        std::size_t sequence = 0;
        mutable std::size_t track = 0; // the track of the last event looked up, tried first
        ZylmidiTempoCursor clock;
        std::size_t eventNumber = 0; // looked up only when the step is read
        double seconds = 0.0;
    };

    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, stepCount); }
    std::size_t size() const { return stepCount; }
    double totalSeconds() const { return total; } // the sum of every step's seconds

private:
    // One step of a merge: 8 bytes, so that a big song's playing order stays small.
    struct MergedStep {
        uint32_t eventNumber; // counted over all tracks, in track and file order
        uint32_t delta;       // ticks since the previous step; never more than the event's own
    };
    // Steps from `firstStep` on start again at tick 0 with their own tempo.
    struct Sequence {
        std::size_t firstStep;
        ZylmidiTempoMap tempo;
    };

    void numberEvents();
    void mergeTracks(bool followTempo);
    void planSequences(bool allTracks, bool followTempo);
    const ZylmidiEvent& eventNumbered(std::size_t number, std::size_t& track) const;

    const ZylmidiFile& song;
    std::vector<std::size_t> trackStarts; // first event number of each track, then the count
    std::vector<MergedStep> merged;       // empty when the steps follow the tracks in file order
    std::vector<Sequence> sequences;
    std::size_t stepCount = 0;
    double total = 0.0;
};
