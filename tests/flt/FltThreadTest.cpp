#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "Flt_Thread.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <type_traits>
#include <unistd.h>

namespace {

const char* const endingLine = "Thread is ending...";
const char* const informedLine = "Thread informed parent";
const char* const entryLine = "Parent info entry";
const char* const doneLine = "Parent info done";
const char* const completionLine = "completion ran";

// FLTK's success code for Fl::awake with a handler.
const int awakeQueued = 0;

long countOf(const StdoutCapture& output, const char* line) {
    const auto lines = output.lines();
    return std::count(lines.begin(), lines.end(), line);
}

// Counts completions, keeps the last result, and marks its place in the output; on request
// it also closes the message box that waits for it.
struct Completions {
    int count = 0;
    bool lastResult = false;
    Flt_Thread::Completion make(bool closesBox = false) {
        return [this, closesBox](bool result) {
            ++count;
            lastResult = result;
            std::puts(completionLine);
            std::fflush(stdout);
            if (Fl_Window* box = Fl::modal(); box && closesBox)
                box->hide();
        };
    }
};

Flt_Thread::Job returning(bool value) {
    return [value](const Flt_StopFlag&) { return value; };
}

// A job taking the flag as a bool would bind to a copy and never see a stop.
static_assert(!std::is_constructible<Flt_Thread::Job, bool (*)(const bool&)>::value, "");
static_assert(!std::is_constructible<Flt_Thread::Job, bool (*)(bool)>::value, "");
static_assert(!std::is_constructible<bool, const Flt_StopFlag&>::value, "no conversion");

void ignoreWakeUp(void*) {}

void fillWakeUpQueue() {
    int queued = 0;
    while (queued < 1000000 && Fl::awake(&ignoreWakeUp, nullptr) == awakeQueued)
        ++queued;
    ASSERT_LT(queued, 1000000) << "the wake-up queue never filled";
}

class ThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Fl::lock(); }
    std::atomic<bool> release{false}, stoppedByFlag{false};

    // Polls the stop flag, and `release` set by the test, with a cap of its own so that a
    // fault cannot leave it running for ever.
    Flt_Thread::Job polling(bool value) {
        return [this, value](const Flt_StopFlag& stop) {
            const auto cap = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            const std::function<bool()> stopped = stop.predicate();
            while (!stopped() && !release && std::chrono::steady_clock::now() < cap)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            stoppedByFlag = stop.isSet();
            return value;
        };
    }
};

TEST_F(ThreadTest, LinesComeInOrderAroundExactlyOneCompletionWithTheJobsValue) {
    for (bool value : {true, false}) {
        Completions completions;
        std::vector<std::string> lines;
        {
            StdoutCapture output;
            { Flt_Thread idle; } // destroying an idle thread neither waits nor writes
            if (!value)
                fillWakeUpQueue(); // delays the notification's posting but must not lose it
            Flt_Thread thread;
            ASSERT_TRUE(thread.start(returning(value), completions.make()));
            ASSERT_TRUE(loopUntil([&] { return output.contains(doneLine); }));
            loopFor(0.2);
            EXPECT_FALSE(thread.isRunning());
            lines = output.lines();
        }
        ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
        const int ending = indexOf(lines, endingLine), informed = indexOf(lines, informedLine);
        const int entry = indexOf(lines, entryLine), completion = indexOf(lines, completionLine);
        EXPECT_EQ(ending, 0);
        EXPECT_LT(ending, informed);
        EXPECT_LT(ending, entry);
        EXPECT_LT(entry, completion);
        EXPECT_LT(informed, completion); // the join waits for the worker's last line
        EXPECT_EQ(indexOf(lines, doneLine), completion + 1);
        EXPECT_EQ(completions.count, 1);
        EXPECT_EQ(completions.lastResult, value);
    }
}

TEST_F(ThreadTest, StartIsRefusedWhileAJobRunsAndItsCompletionMayRestartAndWaitInABox) {
    alarm(60); // its default action ends the process should the box's event loop hang
    Flt_Thread thread;
    thread.requestStop(); // idle: nothing to stop
    Completions refused, next;
    bool firstResult = false, runningInsideFirst = true, restarted = false, nextInBox = false;
    std::atomic<bool> refusedRan{false}, nextSawStop{true};
    // The completion starts the next job and waits for it in a message box, whose event loop
    // must deliver that job's completion.
    ASSERT_TRUE(thread.start(polling(true), [&](bool result) {
        firstResult = result;
        runningInsideFirst = thread.isRunning();
        restarted = thread.start(
            [&](const Flt_StopFlag& stop) { return nextSawStop = stop.isSet(); }, next.make(true));
        if (restarted) {
            fl_message("%s", "waiting for the next job");
            nextInBox = next.count == 1;
        }
    }));
    EXPECT_FALSE(
        thread.start([&](const Flt_StopFlag&) { return refusedRan = true; }, refused.make()));
    thread.requestStop();
    ASSERT_TRUE(loopUntil([&] { return next.count == 1; }));
    EXPECT_TRUE(stoppedByFlag);
    EXPECT_TRUE(firstResult);
    EXPECT_FALSE(runningInsideFirst);
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(nextInBox);
    EXPECT_FALSE(nextSawStop); // each job starts with the flag cleared
    EXPECT_FALSE(next.lastResult);
    EXPECT_FALSE(refusedRan);
    EXPECT_EQ(refused.count, 0);
    EXPECT_FALSE(thread.start(Flt_Thread::Job(), refused.make()));
    EXPECT_FALSE(thread.start(returning(true), Flt_Thread::Completion()));
    EXPECT_FALSE(thread.isRunning());
    alarm(0);
}

TEST_F(ThreadTest, StopEndsTheJobForGoodAndItsQueuedNotificationIsDropped) {
    StdoutCapture output;
    Completions stale, next;
    Flt_Thread thread;
    ASSERT_TRUE(thread.start(polling(true), stale.make()));
    thread.stop(); // returns once the job has returned, before it posted anything
    EXPECT_TRUE(stoppedByFlag);
    EXPECT_FALSE(thread.isRunning());
    thread.stop(); // idle: no effect

    auto doomed = std::make_unique<Flt_Thread>();
    ASSERT_TRUE(thread.start(returning(true), stale.make()));
    ASSERT_TRUE(doomed->start(returning(true), stale.make()));
    // Not serving events: both notifications stay queued.
    ASSERT_TRUE(waitUntil([&] { return countOf(output, informedLine) == 3; }));
    thread.stop();
    doomed.reset();
    // Another thread object, likely at the same address, must not receive it either.
    auto successor = std::make_unique<Flt_Thread>();

    // The stopped job's notification is served while the restarted job still runs: it must
    // neither join that job nor call any completion.
    ASSERT_TRUE(thread.start(polling(false), next.make()));
    ASSERT_TRUE(loopUntil([&] { return output.contains(doneLine); }));
    loopFor(0.2);
    EXPECT_EQ(countOf(output, entryLine), 1); // none for the first job or the destroyed thread
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(successor->isRunning());
    EXPECT_EQ(stale.count + next.count, 0);

    release = true;
    ASSERT_TRUE(loopUntil([&] { return next.count == 1; }));
    EXPECT_EQ(stale.count, 0);
    EXPECT_FALSE(next.lastResult);
}

} // namespace
