#include "InterruptibleSleep.h"

#include <gtest/gtest.h>

namespace {

// A stop predicate that counts how often it is asked and turns true on call `stopAt`
// (never, when 0).
struct CountingStop {
    int calls = 0;
    int stopAt = 0;
    std::function<bool()> predicate() {
        return [this] { return ++calls >= stopAt && stopAt != 0; };
    }
};

} // namespace

TEST(InterruptibleSleep, SleepsTheWholeDurationInSlices) {
    CountingStop never;
    EXPECT_EQ(interruptibleSleep(250000, never.predicate(), 100000), 0);
    EXPECT_EQ(never.calls, 3) << "100 + 100 + 50 ms";

    CountingStop exact;
    EXPECT_EQ(interruptibleSleep(200000, exact.predicate(), 100000), 0);
    EXPECT_EQ(exact.calls, 2);

    CountingStop shortSlices;
    EXPECT_EQ(interruptibleSleep(2500, shortSlices.predicate(), 1000), 0);
    EXPECT_EQ(shortSlices.calls, 3);

    EXPECT_EQ(interruptibleSleep(1500, {}, 1000), 0) << "an empty predicate never stops";
}

TEST(InterruptibleSleep, NoDurationStillAsksOnce) {
    for (int64_t duration : {int64_t{0}, int64_t{-1}, int64_t{-5000000}}) {
        CountingStop never;
        EXPECT_EQ(interruptibleSleep(duration, never.predicate(), 100000), 0) << duration;
        EXPECT_EQ(never.calls, 1) << duration;

        CountingStop atOnce{0, 1};
        EXPECT_EQ(interruptibleSleep(duration, atOnce.predicate(), 100000), 1) << duration;
    }
    EXPECT_EQ(interruptibleSleep(0, {}, 100000), 0);
}

TEST(InterruptibleSleep, StopReturnsTheRemainingTime) {
    CountingStop atOnce{0, 1};
    EXPECT_EQ(interruptibleSleep(250000, atOnce.predicate(), 100000), 250000);
    EXPECT_EQ(atOnce.calls, 1);

    CountingStop third{0, 3};
    EXPECT_EQ(interruptibleSleep(250000, third.predicate(), 100000), 50000);
    EXPECT_EQ(third.calls, 3) << "no slice is slept after the stop";

    CountingStop second{0, 2};
    EXPECT_EQ(interruptibleSleep(1300, second.predicate(), 500), 800);
}

TEST(InterruptibleSleep, NonPositiveSliceEndsInOneStep) {
    for (int32_t slice : {0, -100000}) {
        CountingStop never;
        EXPECT_EQ(interruptibleSleep(3000, never.predicate(), slice), 0) << slice;
        EXPECT_EQ(never.calls, 1) << slice;
    }
}
