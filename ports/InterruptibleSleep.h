#pragma once

#include <cstdint>
#include <functional>

// The slice with which playback waits, so that a stop request ends a wait within 100 ms.
inline constexpr int32_t PlaybackSliceMicros = 100000;

// Sleeps `durationMicros` in millisecond steps of at most `sliceMicros`, asking `stop`
// (which may be empty) before each step. Returns 0 when the whole duration was slept,
// else the microseconds still remaining when `stop` answered true. A duration of 0 or
// less counts as 1 microsecond, so `stop` is asked at least once.
int64_t interruptibleSleep(int64_t durationMicros, std::function<bool()> stop, int32_t sliceMicros);
