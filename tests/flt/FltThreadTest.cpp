#include "FltEventLoop.h"
#include "FltStdoutCapture.h"
#include "Flt_Thread.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <type_traits>
#include <unistd.h>

namespace {

// A job taking the flag as a bool would bind to a copy and never see a stop.
static_assert(!std::is_constructible<bool, const Flt_StopFlag&>::value, "no conversion");

const Flt_Thread::Job returnsTrue = [](const Flt_StopFlag&) { return true; };

class ThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Fl::lock(); }
    std::atomic<bool> release{false}, stoppedByFlag{false};
    StdoutCapture output;
    std::vector<bool> staleResults, nextResults;
    Flt_Thread thread; // last, so that it ends before anything its jobs and completions use

    // Keeps each result in `results`; closes a message box waiting for it.
    static Flt_Thread::Completion keeping(std::vector<bool>& results) {
        return [&results](bool result) {
            results.push_back(result);
            if (Fl_Window* box = Fl::modal())
                box->hide();
        };
    }
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

// The completion runs outside the thread's lock: it starts the next job and waits for it in
// a message box, whose event loop must deliver that job's completion. A full wake-up queue
// delays the first notification's posting but must not lose it.
TEST_F(ThreadTest, ACompletionMayRestartAndWaitInABoxEvenThroughAFullWakeUpQueue) {
    alarm(60);            // its default action ends the process should the box's event loop hang
    { Flt_Thread idle; }  // destroying an idle thread neither waits nor writes
    thread.requestStop(); // idle: nothing to stop
    bool runningInsideFirst = true, restarted = false, nextInBox = false;
    std::atomic<bool> nextSawStop{true};
    for (int queued = 0; Fl::awake([](void*) {}, nullptr) == 0; ++queued)
        ASSERT_LT(queued, 1000000) << "the wake-up queue never filled";
    ASSERT_TRUE(thread.start(polling(true), [&](bool) {
        runningInsideFirst = thread.isRunning();
        restarted =
            thread.start([&](const Flt_StopFlag& stop) { return nextSawStop = stop.isSet(); },
                         keeping(nextResults));
        if (restarted)
            fl_message("%s", "waiting for the next job");
        nextInBox = nextResults.size() == 1;
    }));
    // Refused starts are given the delivered job's completion: their lines would show in the log.
    EXPECT_FALSE(thread.start(returnsTrue, keeping(nextResults)));
    thread.requestStop();
    ASSERT_TRUE(loopUntil([&] { return nextResults.size() == 1; }));
    loopFor(0.2);
    EXPECT_TRUE(stoppedByFlag);
    EXPECT_FALSE(runningInsideFirst);
    EXPECT_TRUE(restarted && nextInBox);
    EXPECT_FALSE(nextSawStop); // each job starts with the flag cleared
    EXPECT_FALSE(thread.start(Flt_Thread::Job(), keeping(nextResults)));
    EXPECT_FALSE(thread.start(returnsTrue, Flt_Thread::Completion()));
    EXPECT_EQ(nextResults.size(), 1u);
    EXPECT_FALSE(thread.isRunning());
    // Each log line is one write, so lines of both threads never mix; each job's come once.
    EXPECT_EQ(output.lines().size(), 8u);
    for (const char* line :
         {"Thread is ending...", "Thread informed parent", "Parent info entry", "Parent info done"})
        EXPECT_EQ(output.count(line), 2) << line;
    alarm(0);
}

// A notification names its job by a ticket: one of a stopped job or a destroyed thread finds
// no owner, even in another thread object at the same address.
TEST_F(ThreadTest, StopEndsTheJobForGoodAndItsQueuedNotificationIsDropped) {
    ASSERT_TRUE(thread.start(polling(true), keeping(staleResults)));
    thread.stop(); // returns once the job has returned, before it posted anything
    EXPECT_TRUE(stoppedByFlag);
    EXPECT_FALSE(thread.isRunning());

    auto doomed = std::make_unique<Flt_Thread>();
    ASSERT_TRUE(thread.start(returnsTrue, keeping(staleResults)));
    ASSERT_TRUE(doomed->start(returnsTrue, keeping(staleResults)));
    // Not serving events: both notifications stay queued.
    for (int wait = 0; wait < 30000 && output.count("Thread informed parent") < 3; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    thread.stop();
    doomed.reset();
    auto successor = std::make_unique<Flt_Thread>();

    // The stopped job's notification is served while the restarted job still runs: it must
    // neither join that job nor call any completion.
    ASSERT_TRUE(thread.start(polling(false), keeping(nextResults)));
    ASSERT_TRUE(loopUntil([&] { return output.count("Parent info done") > 0; }));
    loopFor(0.2);
    // None for the first job or the destroyed thread.
    EXPECT_EQ(output.count("Parent info entry"), 1);
    EXPECT_TRUE(thread.isRunning());
    EXPECT_FALSE(successor->isRunning());
    release = true;
    ASSERT_TRUE(loopUntil([&] { return nextResults.size() == 1; }));
    EXPECT_TRUE(staleResults.empty());
    EXPECT_EQ(nextResults, std::vector<bool>{false});
}

} // namespace
