#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// The slice with which playback waits: the longest sleep between two looks at the stop
// request.
inline constexpr int32_t PlaybackSliceMicros = 100000;

// Sleeps until the moment given, or less when a stop request comes first; playback's waits
// hand it on so that a stop wakes them at once. Empty, a wait just sleeps.
using Sleeper = std::function<void(std::chrono::steady_clock::time_point)>;

// Sleeps `durationMicros` in millisecond steps of at most `sliceMicros`, asking `stop`
// (which may be empty) before each step, each step through `sleep` when it is given.
// Returns 0 when the whole duration was slept, else the microseconds still remaining when
// `stop` answered true (at least 1, for a stop that came during the last step). A duration
// of 0 or less counts as 1 microsecond, so `stop` is asked at least once.
int64_t interruptibleSleep(int64_t durationMicros, std::function<bool()> stop, int32_t sliceMicros,
                           const Sleeper& sleep = {});
