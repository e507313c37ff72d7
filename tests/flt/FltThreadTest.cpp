#include "FltEventLoop.h"
#include "Flt_Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

using namespace std::chrono_literals;

// A notification names its job by a ticket: one queued by a stopped job or by a destroyed
// thread (whose address another thread may take) finds no owner, and leaves the running job's
// own notification to end it. The player never meets this except when a stop comes just as
// a file ends, so its own tests cannot show it.
TEST(ThreadTest, NotificationsOfAStoppedJobOrADestroyedThreadEndNothing) {
    Fl::lock(); // once, as the player does at start-up
    std::vector<bool> results;
    std::atomic<bool> release{false};
    const auto keep = [&](bool result) { results.push_back(result); };
    const auto waitForRelease = [&](const Flt_StopFlag& stop) {
        const auto cap = std::chrono::steady_clock::now() + 5s; // a fault must not hang the run
        while (!release && !stop.isSet() && std::chrono::steady_clock::now() < cap)
            std::this_thread::sleep_for(1ms);
        return false;
    };
    Flt_Thread thread;
    auto doomed = std::make_unique<Flt_Thread>();
    ASSERT_TRUE(thread.start([](const Flt_StopFlag&) { return true; }, keep));
    ASSERT_TRUE(doomed->start([](const Flt_StopFlag&) { return true; }, keep));
    std::this_thread::sleep_for(200ms); // both notifications queued, none served
    thread.stop();
    doomed.reset();
    const auto successor = std::make_unique<Flt_Thread>();
    ASSERT_TRUE(thread.start(waitForRelease, keep));
    loopFor(0.3); // serves the two stale notifications
    EXPECT_TRUE(results.empty() && thread.isRunning() && !successor->isRunning());
    release = true;
    EXPECT_TRUE(loopUntil([&] { return !results.empty(); }, 10));
    EXPECT_EQ(results, std::vector<bool>{false});
}

} // namespace
