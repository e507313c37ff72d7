#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "Flt_Thread.h"

#include <FL/Fl.H>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

const char* const endingLine = "Thread is ending...";
const char* const informedLine = "Thread informed parent";
const char* const entryLine = "Parent info entry";
const char* const doneLine = "Parent info done";
const char* const completionLine = "completion ran";

// FLTK's success code for Fl::awake with a handler.
const int awakeQueued = 0;

class ThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Fl::lock(); }

    // Counts completions, keeps the last result, and marks its place in the output.
    struct Completions {
        int count = 0;
        bool lastResult = false;
        Flt_Thread::Completion make() {
            return [this](bool result) {
                ++count;
                lastResult = result;
                std::puts(completionLine);
                std::fflush(stdout);
            };
        }
    };

    static Flt_Thread::Job returning(bool value) {
        return [value](const std::atomic<bool>&) { return value; };
    }

    // Polls the stop flag, and `release` set by the test, with a cap of its own so that a
    // fault cannot leave it running for ever.
    static Flt_Thread::Job pollingUntilStopped(std::atomic<bool>& release,
                                               std::atomic<bool>& returned, bool value) {
        return [&release, &returned, value](const std::atomic<bool>& stop) {
            const auto cap = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!stop && !release && std::chrono::steady_clock::now() < cap)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            returned = true;
            return value;
        };
    }
};

TEST_F(ThreadTest, LinesComeInOrderAroundExactlyOneCompletionWithTheJobsValue) {
    for (bool value : {true, false}) {
        Flt_Thread thread;
        Completions completions;
        std::vector<std::string> lines;
        {
            StdoutCapture output;
            ASSERT_TRUE(thread.start(returning(value), completions.make()));
            ASSERT_TRUE(loopUntil([&] { return output.contains(doneLine); }));
            loopFor(0.2);
            lines = output.lines();
        }
        ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
        const int ending = indexOf(lines, endingLine), informed = indexOf(lines, informedLine);
        const int entry = indexOf(lines, entryLine), completion = indexOf(lines, completionLine);
        const int done = indexOf(lines, doneLine);
        EXPECT_EQ(ending, 0);
        EXPECT_LT(ending, informed);
        EXPECT_LT(ending, entry);
        EXPECT_LT(entry, completion);
        EXPECT_LT(informed, completion); // the join waits for the worker's last line
        EXPECT_EQ(done, completion + 1);
        EXPECT_EQ(completions.count, 1);
        EXPECT_EQ(completions.lastResult, value);
        EXPECT_FALSE(thread.isRunning());
    }
}

TEST_F(ThreadTest, SecondOrEmptyStartIsRefusedAndLeavesTheFirstJobAlone) {
    Flt_Thread thread;
    Completions first, second;
    std::atomic<bool> release{false}, returned{false}, secondRan{false};
    ASSERT_TRUE(thread.start(pollingUntilStopped(release, returned, true), first.make()));
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(thread.start(
        [&](const std::atomic<bool>&) {
            secondRan = true;
            return false;
        },
        second.make()));

    release = true;
    ASSERT_TRUE(loopUntil([&] { return first.count == 1; }));
    loopFor(0.2);
    EXPECT_TRUE(first.lastResult);
    EXPECT_EQ(second.count, 0);
    EXPECT_FALSE(secondRan);
    EXPECT_FALSE(thread.isRunning());

    EXPECT_FALSE(thread.start(Flt_Thread::Job(), second.make()));
    EXPECT_FALSE(thread.start(returning(true), Flt_Thread::Completion()));
    EXPECT_FALSE(thread.isRunning());
}

TEST_F(ThreadTest, StartFromInsideTheCompletionRunsTheNextJob) {
    Flt_Thread thread;
    Completions second;
    bool runningInsideFirst = true, restarted = false;
    ASSERT_TRUE(thread.start(returning(true), [&](bool) {
        runningInsideFirst = thread.isRunning();
        restarted = thread.start(returning(false), second.make());
    }));
    ASSERT_TRUE(loopUntil([&] { return second.count == 1; }));
    EXPECT_FALSE(runningInsideFirst);
    EXPECT_TRUE(restarted);
    EXPECT_FALSE(second.lastResult);
    EXPECT_FALSE(thread.isRunning());
}

TEST_F(ThreadTest, RequestStopEndsAPollingJobAndStillDeliversItsCompletion) {
    Flt_Thread thread;
    thread.requestStop(); // idle: nothing to stop
    EXPECT_FALSE(thread.isRunning());

    Completions completions;
    std::atomic<bool> release{false}, returned{false};
    ASSERT_TRUE(thread.start(pollingUntilStopped(release, returned, true), completions.make()));
    loopFor(0.05);
    EXPECT_EQ(completions.count, 0);
    thread.requestStop();
    ASSERT_TRUE(loopUntil([&] { return completions.count == 1; }));
    EXPECT_TRUE(returned);
    EXPECT_TRUE(completions.lastResult);

    // The next job starts with the flag cleared.
    std::atomic<bool> sawStop{true};
    ASSERT_TRUE(thread.start(
        [&](const std::atomic<bool>& stop) {
            sawStop = stop.load();
            return true;
        },
        completions.make()));
    ASSERT_TRUE(loopUntil([&] { return completions.count == 2; }));
    EXPECT_FALSE(sawStop);
}

TEST_F(ThreadTest, StopWaitsForTheJobAndNoCompletionFollows) {
    StdoutCapture output;
    Flt_Thread thread;
    Completions completions;
    std::atomic<bool> release{false}, returned{false};
    ASSERT_TRUE(thread.start(pollingUntilStopped(release, returned, true), completions.make()));
    thread.stop();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(thread.isRunning());
    loopFor(0.3);
    EXPECT_EQ(completions.count, 0);
    EXPECT_TRUE(output.contains(endingLine));
    EXPECT_TRUE(output.contains(informedLine));
    EXPECT_FALSE(output.contains(entryLine)); // nothing was posted
    thread.stop();                            // idle: no effect
}

TEST_F(ThreadTest, QueuedNotificationAfterStopFindsTheJobCancelled) {
    StdoutCapture output;
    Flt_Thread thread;
    Completions completions;
    ASSERT_TRUE(thread.start(returning(true), completions.make()));
    // Not serving events: the notification stays queued.
    ASSERT_TRUE(waitUntil([&] { return output.contains(informedLine); }));
    thread.stop();
    EXPECT_FALSE(thread.isRunning());
    ASSERT_TRUE(loopUntil([&] { return output.contains(doneLine); }));
    loopFor(0.1);
    EXPECT_TRUE(output.contains(entryLine));
    EXPECT_EQ(completions.count, 0);
}

TEST_F(ThreadTest, StaleNotificationLeavesTheNextJobAlone) {
    StdoutCapture output;
    Flt_Thread thread;
    Completions stale, next;
    ASSERT_TRUE(thread.start(returning(true), stale.make()));
    ASSERT_TRUE(waitUntil([&] { return output.contains(informedLine); }));
    thread.stop();

    std::atomic<bool> release{false}, returned{false};
    ASSERT_TRUE(thread.start(pollingUntilStopped(release, returned, false), next.make()));
    // The first notification is served while the new job still runs: it must neither join
    // that job nor call any completion.
    ASSERT_TRUE(loopUntil([&] { return output.contains(doneLine); }));
    EXPECT_FALSE(returned);
    EXPECT_TRUE(thread.isRunning());
    EXPECT_EQ(stale.count + next.count, 0);

    release = true;
    ASSERT_TRUE(loopUntil([&] { return next.count == 1; }));
    EXPECT_EQ(stale.count, 0);
    EXPECT_FALSE(next.lastResult);
}

TEST_F(ThreadTest, DestroyingAnIdleThreadNeitherWaitsNorWrites) {
    StdoutCapture output;
    { Flt_Thread idle; }
    {
        Flt_Thread finished;
        Completions completions;
        ASSERT_TRUE(finished.start(returning(true), completions.make()));
        ASSERT_TRUE(loopUntil([&] { return completions.count == 1; }));
    }
    EXPECT_EQ(output.lines().size(), 5u); // the one job's four lines and its completion
}

TEST_F(ThreadTest, NotificationQueuedForADestroyedThreadIsDropped) {
    StdoutCapture output;
    Completions completions;
    auto thread = std::make_unique<Flt_Thread>();
    ASSERT_TRUE(thread->start(returning(true), completions.make()));
    ASSERT_TRUE(waitUntil([&] { return output.contains(informedLine); }));
    thread.reset();
    // Another thread object, likely at the same address, must not receive it either.
    auto successor = std::make_unique<Flt_Thread>();
    loopFor(0.3);
    EXPECT_FALSE(output.contains(entryLine));
    EXPECT_EQ(completions.count, 0);
    EXPECT_FALSE(successor->isRunning());
}

void ignoreWakeUp(void*) {}

TEST_F(ThreadTest, FullWakeUpQueueDelaysButDoesNotLoseTheCompletion) {
    int queued = 0;
    while (queued < 1000000 && Fl::awake(&ignoreWakeUp, nullptr) == awakeQueued)
        ++queued;
    ASSERT_LT(queued, 1000000) << "the wake-up queue never filled";

    Flt_Thread thread;
    Completions completions;
    ASSERT_TRUE(thread.start(returning(true), completions.make()));
    ASSERT_TRUE(loopUntil([&] { return completions.count == 1; }));
    EXPECT_TRUE(completions.lastResult);
}

} // namespace
