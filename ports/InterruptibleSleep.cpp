#include "InterruptibleSleep.h"

#include <chrono>
#include <thread>

namespace {

// Whole milliseconds only: a step under 1 ms merely yields, and the drift that the
// truncation causes is left uncorrected.
void sleepMillis(int64_t stepMicros, const Sleeper& sleep) {
    const std::chrono::milliseconds millis(stepMicros / 1000);
    if (millis.count() <= 0)
        std::this_thread::yield();
    else if (sleep)
        sleep(std::chrono::steady_clock::now() + millis);
    else
        std::this_thread::sleep_for(millis);
}

} // namespace

int64_t interruptibleSleep(int64_t durationMicros, std::function<bool()> stop, int32_t sliceMicros,
                           const Sleeper& sleep) {
    int64_t remaining = durationMicros > 0 ? durationMicros : 1;
    for (;;) {
        if (stop && stop())
            return remaining;
        // A slice that is not positive would never use up the duration: take it whole.
        const int64_t step =
            (sliceMicros <= 0 || remaining <= sliceMicros) ? remaining : sliceMicros;
        sleepMillis(step, sleep);
        remaining -= step;
        // A stop that woke the last step early still counts: the pause before a file must
        // not run on into the file.
        if (remaining == 0)
            return stop && stop() ? 1 : 0;
    }
}
