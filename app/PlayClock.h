#pragma once

#include <chrono>
#include <mutex>

// Where in its song the playing file is, for the title: the job says where it stands and
// how fast it goes towards the next event, the title reads the position at any moment.
// Between two events nothing is sent, so without this a long note or rest would stand
// still in the title.
class PlayClock {
public:
    using Clock = std::chrono::steady_clock;

    // From `moment` the position runs from `position` at `speed` song seconds a second,
    // and stops at `until`, the next event's place (the job may reach it late).
    void runFrom(Clock::time_point moment, double position, double speed, double until);
    // The position stands at `position`: before a file starts, during its pause.
    void hold(double position);
    // Song seconds played at `now`, at speed 1.
    double positionAt(Clock::time_point now) const;

private:
    mutable std::mutex lock; // the job and the title read and write the four together
    Clock::time_point start{};
    double from = 0.0;
    double pace = 0.0;
    double to = 0.0;
};
