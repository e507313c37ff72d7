#include "ZylmidiSchedule.h"

#include <algorithm>
#include <thread>

namespace {

using Clock = ZylmidiSchedule::Clock;

constexpr auto Slice = std::chrono::microseconds(PlaybackSliceMicros);

// The length of one wait on the clock; zero when there is nothing to wait.
Clock::duration intervalOf(double secondsAtSpeed1, double speed) {
    if (!(speed > 0.0)) // 0, negative or not a number: the file's own pace
        speed = 1.0;
    const double seconds = std::min(secondsAtSpeed1 / speed, ZylmidiSchedule::LongestWaitSeconds);
    if (!(seconds > 0.0))
        return Clock::duration::zero();
    return std::chrono::round<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

bool ZylmidiSchedule::wait(double secondsAtSpeed1, double speed, const std::function<bool()>& stop,
                           const Sleeper& sleep) {
    const Clock::duration interval = intervalOf(secondsAtSpeed1, speed);
    if (interval == Clock::duration::zero())
        return true;
    const Clock::time_point target = ideal + interval;
    if (stop && stop())
        return false;
    Clock::time_point now = Clock::now();
    if (now - target > MaxLag) {
        // A stalled machine: keep the gaps between the remaining events, not their times.
        ideal = now;
        ++restartCount;
        return true;
    }
    const Clock::time_point wakeAt = target - ahead;
    while (now < wakeAt) {
        // Sleeping until a moment, not for a length, keeps a late wake-up from adding up.
        const Clock::time_point until = std::min(wakeAt, now + Slice);
        if (sleep)
            sleep(until);
        else
            std::this_thread::sleep_until(until);
        now = Clock::now();
        if (now < wakeAt && stop && stop())
            return false;
    }
    ideal = target;
    return true;
}
