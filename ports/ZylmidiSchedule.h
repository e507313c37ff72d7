#pragma once

#include "InterruptibleSleep.h"

#include <chrono>
#include <functional>

// Paces the events of a song against their ideal moments on the steady clock, so that
// neither sleeping late nor the time spent sending adds up over a file. Each wait counts
// from the ideal moment of the previous event, not from whenever that event went out.
class ZylmidiSchedule {
public:
    using Clock = std::chrono::steady_clock;

    // How far playback may fall behind before the schedule starts again from now instead
    // of sending the late events in a burst.
    static constexpr Clock::duration MaxLag = std::chrono::milliseconds(100);
    // The longest one wait can be; longer ones are cut to it so that the moment stays
    // representable.
    static constexpr double LongestWaitSeconds = 1e9;

    // With `ahead`, each wait ends that much before its moment: for a port that places a
    // message at the moment it carries, so that a late wake-up of the sending thread does
    // not show.
    explicit ZylmidiSchedule(Clock::time_point start = Clock::now(),
                             Clock::duration ahead = Clock::duration::zero())
        : ideal(start), ahead(ahead) {}

    // Waits until the previous ideal moment plus `secondsAtSpeed1` ÷ `speed`, in slices of
    // at most 100 ms, asking `stop` (may be empty) before each slice; each slice sleeps
    // through `sleep` when it is given, so that a stop can cut it short. Returns true when
    // the moment is reached, false when `stop` answered true. A wait of no length (0,
    // negative or not a number) returns at once without asking `stop`. A speed that is
    // not a positive number counts as 1; an infinite speed waits nothing.
    bool wait(double secondsAtSpeed1, double speed, const std::function<bool()>& stop,
              const Sleeper& sleep = {});

    // The ideal moment of the last event whose wait ended.
    Clock::time_point moment() const { return ideal; }
    // How often playback fell more than MaxLag behind and the schedule started again.
    unsigned restarts() const { return restartCount; }

private:
    Clock::time_point ideal;
    Clock::duration ahead;
    unsigned restartCount = 0;
};
