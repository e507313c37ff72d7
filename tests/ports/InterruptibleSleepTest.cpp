#include "InterruptibleSleep.h"

#include <gtest/gtest.h>

// How long is slept in which slices, and what a stop on the n-th ask leaves unslept.
TEST(InterruptibleSleep, SlicesAsksAndRemainders) {
    const struct {
        int64_t duration;
        int32_t slice;
        int stopAt; // the ask that turns true; 0: none does
        int64_t remaining;
        int asks;
    } cases[] = {
        {250000, 100000, 0, 0, 3}, // 100 + 100 + 50 ms
        {200000, 100000, 0, 0, 2},
        {2500, 1000, 0, 0, 3},
        {0, 100000, 0, 0, 1}, // no duration still asks once
        {-1, 100000, 0, 0, 1},
        {-5000000, 100000, 0, 0, 1},
        {0, 100000, 1, 1, 1},
        {-5000000, 100000, 1, 1, 1},
        {250000, 100000, 1, 250000, 1},
        {250000, 100000, 3, 50000, 3}, // no slice is slept after the stop
        {1300, 500, 2, 800, 2},
        {3000, 0, 0, 0, 1}, // a slice that is no length ends in one step
        {3000, -100000, 0, 0, 1},
    };
    for (const auto& c : cases) {
        int asks = 0;
        const auto stop = [&] { return ++asks >= c.stopAt && c.stopAt != 0; };
        EXPECT_EQ(interruptibleSleep(c.duration, stop, c.slice), c.remaining)
            << c.duration << "/" << c.slice << "/" << c.stopAt;
        EXPECT_EQ(asks, c.asks) << c.duration << "/" << c.slice << "/" << c.stopAt;
    }
    // An empty predicate never stops.
    EXPECT_EQ(interruptibleSleep(1500, {}, 1000), 0);
    EXPECT_EQ(interruptibleSleep(0, {}, 100000), 0);
}
