#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// The stop flag as a job sees it: read-only, and with no conversion to bool, so that a
// job declared to take `const bool&` or `bool` (which would bind to a copy and never see
// a stop) is not a Flt_Thread::Job and does not compile. A job reads it with isSet(), or
// hands predicate() to a sliced wait, and sleeps with sleepUntil (or hands on sleeper()),
// which setting the flag cuts short; the Flt_Thread that owns it sets and clears it.
class Flt_StopFlag {
public:
    Flt_StopFlag() = default;
    Flt_StopFlag(const Flt_StopFlag&) = delete;
    Flt_StopFlag& operator=(const Flt_StopFlag&) = delete;

    bool isSet() const { return flag.load(std::memory_order_acquire); }
    // Valid while the flag lives, that is for the job's whole run.
    std::function<bool()> predicate() const {
        return [this] { return isSet(); };
    }
    // Sleeps until `moment`, or until the flag is set if that comes first.
    void sleepUntil(std::chrono::steady_clock::time_point moment) const;
    // sleepUntil as a function object, valid while the flag lives.
    std::function<void(std::chrono::steady_clock::time_point)> sleeper() const {
        return [this](std::chrono::steady_clock::time_point moment) { sleepUntil(moment); };
    }

private:
    friend class Flt_Thread;
    std::atomic<bool> flag{false};
    mutable std::mutex wakeLock; // orders a set against a sleeper about to wait
    mutable std::condition_variable wake;
    void set(bool value);
};

// Runs one job at a time on a worker thread and hands its result to a completion that runs
// inside the FLTK event loop, after the worker has been joined. FLTK's thread support must
// have been started (Fl::lock on the user-interface thread) before the first job.
//
// Every operation is for the user-interface thread. The completion runs outside the
// object's locks, so it may call any operation, start the next job included, and run a
// nested event loop (a message box) that delivers the next job's completion.
class Flt_Thread {
public:
    // The job polls the stop flag (isSet) and returns early once it is set.
    using Job = std::function<bool(const Flt_StopFlag& stopRequested)>;
    using Completion = std::function<void(bool result)>;

    Flt_Thread() = default;
    // Stops and joins a running job without its completion.
    ~Flt_Thread();
    Flt_Thread(const Flt_Thread&) = delete;
    Flt_Thread& operator=(const Flt_Thread&) = delete;

    // False, changing nothing, while a job runs or awaits its join, or when either
    // function object is empty.
    bool start(Job job, Completion completion);
    // Asks a running job to return; its completion is still delivered.
    void requestStop();
    // Ends the job for good: returns once it has returned; its completion is never called.
    void stop();
    // A job runs or has returned but awaits its join.
    bool isRunning() const { return worker.joinable(); }

private:
    using Ticket = std::uintptr_t;

    Job work;
    Completion done;
    std::thread worker;
    Flt_StopFlag stopRequested;
    bool result = false;
    bool cancelled = false; // under both locks for writing, either for reading
    bool posted = false;    // the worker queued its notification; under notifyLock
    Ticket ticket = 0;      // names the current job's notification
    std::mutex notifyLock;  // taken before parentLock where both are held
    std::mutex parentLock;

    void run(Ticket jobTicket);
    void postNotification(Ticket jobTicket);
    void notifyParent(Ticket jobTicket);
    static void notificationArrived(void* data);
};
