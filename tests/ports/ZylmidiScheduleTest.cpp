#include "ZylmidiSchedule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

namespace {

using Clock = ZylmidiSchedule::Clock;
using std::chrono::milliseconds;

constexpr double SecondsPerTick = 0.5 / 480; // 120 beats per minute at division 480
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();
// Bounds that only catch a schedule gone wrong, not a busy machine.
constexpr auto Generous = milliseconds(50);
constexpr auto Hang = std::chrono::seconds(1);

// A stop predicate that counts its asks and turns true at ask `stopAt` (never when 0).
struct CountingStop {
    int asks = 0;
    int stopAt = 0;
    std::function<bool()> predicate() {
        return [this] { return ++asks == stopAt; };
    }
};

} // namespace

TEST(Schedule, EachWaitMovesTheMomentBySecondsOverSpeed) {
    struct Row {
        double seconds, speed;
        Clock::duration added;
    };
    const Row rows[] = {
        {0.1, 1.0, milliseconds(100)},
        {0.1, 2.0, milliseconds(50)}, // a change applies at once
        {0.1, 0.5, milliseconds(200)},
        {0.01, 0.0, milliseconds(10)}, // no speed: own pace
        {0.01, -2.0, milliseconds(10)},
        {0.01, NaN, milliseconds(10)},
        {0.0, 1.0, {}}, // nothing to wait: no sleep, no ask
        {-1.0, 1.0, {}},
        {NaN, 1.0, {}},
        {5.0, Infinity, {}},
    };
    ZylmidiSchedule schedule;
    for (const Row& row : rows) {
        const Clock::time_point before = schedule.moment();
        CountingStop never;
        EXPECT_TRUE(schedule.wait(row.seconds, row.speed, never.predicate()));
        EXPECT_EQ(schedule.moment() - before, row.added) << row.seconds << " " << row.speed;
        EXPECT_EQ(never.asks > 0, row.added > Clock::duration::zero()) << row.seconds;
    }
    EXPECT_GE(Clock::now(), schedule.moment()) << "a wait never ends before its moment";
    EXPECT_EQ(schedule.restarts(), 0u);
}

TEST(Schedule, SlowSendsAndLateWakeUpsDoNotAddUp) {
    // 192 events of 5 ticks: one second exactly. Sleeping whole milliseconds for each
    // would end 4% early; counting each wait from a slow send would end far too late.
    const Clock::time_point start = Clock::now();
    ZylmidiSchedule schedule(start);
    for (int event = 0; event < 192; ++event) {
        ASSERT_TRUE(schedule.wait(5 * SecondsPerTick, 1.0, {}));
        std::this_thread::sleep_for(milliseconds(2)); // a send that takes its time
    }
    const Clock::time_point end = Clock::now();
    if (schedule.restarts() != 0)
        GTEST_SKIP() << "the machine stalled for more than 100 ms";
    EXPECT_LT(std::chrono::abs(schedule.moment() - (start + std::chrono::seconds(1))),
              std::chrono::microseconds(1));
    EXPECT_GE(end, start + std::chrono::seconds(1));
    EXPECT_LT(end, start + std::chrono::seconds(1) + Generous);
}

TEST(Schedule, FallingFarBehindRestartsInsteadOfBursting) {
    // 10 ms behind: the moments stay where the song puts them.
    const Clock::time_point start = Clock::now() - milliseconds(20);
    ZylmidiSchedule catchingUp(start);
    EXPECT_TRUE(catchingUp.wait(0.01, 1.0, {}));
    EXPECT_EQ(catchingUp.moment(), start + milliseconds(10));
    EXPECT_EQ(catchingUp.restarts(), 0u);

    // A stall of 300 ms: the late event goes now, and the next one keeps its gap.
    ZylmidiSchedule stalled;
    std::this_thread::sleep_for(milliseconds(300));
    const Clock::time_point late = Clock::now();
    ASSERT_TRUE(stalled.wait(0.01, 1.0, {}));
    EXPECT_GE(stalled.moment(), late);
    ASSERT_TRUE(stalled.wait(0.05, 1.0, {}));
    EXPECT_GE(Clock::now(), late + milliseconds(50));
    EXPECT_EQ(stalled.restarts(), 1u);
}

TEST(Schedule, StopIsAskedBeforeEverySlice) {
    struct Row {
        double seconds;
        int stopAt, asks;
        bool reached;
    };
    const Row rows[] = {
        {0.25, 0, 3, true},   // slices of 100, 100 and 50 ms
        {0.25, 3, 3, false},  // stopped before the last slice
        {0.05, 1, 1, false},  // stopped before sleeping at all
        {1e300, 2, 2, false}, // an endless wait still ends on a stop
    };
    for (const Row& row : rows) {
        ZylmidiSchedule schedule;
        const Clock::time_point start = schedule.moment();
        CountingStop stop{0, row.stopAt};
        EXPECT_EQ(schedule.wait(row.seconds, 1.0, stop.predicate()), row.reached) << row.seconds;
        EXPECT_EQ(stop.asks, row.asks) << row.seconds;
        EXPECT_LT(Clock::now() - start, Hang);
        EXPECT_EQ(schedule.moment() != start, row.reached) << "the moment moves when reached";
    }
}
