#include "PlayClock.h"

#include <algorithm>

void PlayClock::runFrom(Clock::time_point moment, double position, double speed, double until) {
    const std::lock_guard<std::mutex> guard(lock);
    start = moment;
    from = position;
    pace = speed > 0.0 ? speed : 1.0; // as the schedule takes a speed that is no speed
    to = until;
}

void PlayClock::hold(double position) {
    runFrom(Clock::now(), position, 1.0, position);
}

double PlayClock::positionAt(Clock::time_point now) const {
    const std::lock_guard<std::mutex> guard(lock);
    const double elapsed = std::chrono::duration<double>(now - start).count();
    return std::clamp(from + std::max(elapsed, 0.0) * pace, std::min(from, to), to);
}
