#include "Flt_Thread.h"

#include <FL/Fl.H>

#include <chrono>
#include <cstdio>
#include <map>

namespace {

const char* const endingLine = "Thread is ending...";
const char* const informedLine = "Thread informed parent";
const char* const entryLine = "Parent info entry";
const char* const doneLine = "Parent info done";

// FLTK's wake-up queue has a fixed size; a full queue is retried at this pace.
const auto queueFullRetry = std::chrono::milliseconds(1);

// FLTK's own success code for Fl::awake with a handler.
const int awakeQueued = 0;

void logLine(const char* text) {
    // One call, so that a line of the user-interface thread cannot land inside it.
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// A notification names its job by a ticket rather than by the object's address: one that
// arrives after its Flt_Thread is gone finds no owner and is dropped, and one of an older,
// stopped job cannot be taken for the current job's.
std::mutex registryLock;
std::map<std::uintptr_t, Flt_Thread*> ticketOwners;
std::uintptr_t lastTicket = 0;

std::uintptr_t grantTicket(Flt_Thread* owner) {
    std::lock_guard<std::mutex> hold(registryLock);
    ticketOwners[++lastTicket] = owner;
    return lastTicket;
}

Flt_Thread* redeemTicket(std::uintptr_t ticket) {
    std::lock_guard<std::mutex> hold(registryLock);
    auto found = ticketOwners.find(ticket);
    if (found == ticketOwners.end())
        return nullptr;
    Flt_Thread* owner = found->second;
    ticketOwners.erase(found);
    return owner;
}

void dropTicket(std::uintptr_t ticket) {
    std::lock_guard<std::mutex> hold(registryLock);
    ticketOwners.erase(ticket);
}

void dropTicketsOf(const Flt_Thread* owner) {
    std::lock_guard<std::mutex> hold(registryLock);
    for (auto it = ticketOwners.begin(); it != ticketOwners.end();)
        it = it->second == owner ? ticketOwners.erase(it) : std::next(it);
}

} // namespace

void Flt_StopFlag::sleepUntil(std::chrono::steady_clock::time_point moment) const {
    std::unique_lock<std::mutex> hold(wakeLock);
    wake.wait_until(hold, moment, [this] { return isSet(); });
}

void Flt_StopFlag::set(bool value) {
    {
        std::lock_guard<std::mutex> hold(wakeLock);
        flag.store(value, std::memory_order_release);
    }
    wake.notify_all();
}

Flt_Thread::~Flt_Thread() {
    stop();
    dropTicketsOf(this);
}

bool Flt_Thread::start(Job job, Completion completion) {
    if (worker.joinable() || !job || !completion)
        return false;
    work = std::move(job);
    done = std::move(completion);
    stopRequested.set(false);
    cancelled = false;
    posted = false;
    ticket = grantTicket(this);
    worker = std::thread(&Flt_Thread::run, this, ticket);
    return true;
}

void Flt_Thread::requestStop() {
    if (worker.joinable())
        stopRequested.set(true);
}

void Flt_Thread::stop() {
    {
        std::lock_guard<std::mutex> holdNotify(notifyLock);
        std::lock_guard<std::mutex> holdParent(parentLock);
        if (!worker.joinable())
            return;
        stopRequested.set(true);
        cancelled = true;
        // A notification already queued keeps its ticket and finds the job cancelled.
        if (!posted)
            dropTicket(ticket);
    }
    worker.join();
}

void Flt_Thread::run(Ticket jobTicket) {
    result = work(stopRequested);
    logLine(endingLine);
    postNotification(jobTicket);
    logLine(informedLine);
}

void Flt_Thread::postNotification(Ticket jobTicket) {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(notifyLock);
            if (cancelled)
                return;
            if (Fl::awake(&Flt_Thread::notificationArrived, reinterpret_cast<void*>(jobTicket)) ==
                awakeQueued) {
                posted = true;
                return;
            }
        }
        std::this_thread::sleep_for(queueFullRetry);
    }
}

void Flt_Thread::notificationArrived(void* data) {
    if (Flt_Thread* owner = redeemTicket(reinterpret_cast<std::uintptr_t>(data)))
        owner->notifyParent(reinterpret_cast<std::uintptr_t>(data));
}

void Flt_Thread::notifyParent(Ticket jobTicket) {
    logLine(entryLine);
    // The completion runs after the lock is released: it may start the next job and open a
    // box whose event loop delivers that job's notification, which takes the lock again.
    Completion finished;
    bool jobResult = false;
    {
        std::lock_guard<std::mutex> hold(parentLock);
        if (!cancelled && jobTicket == ticket && worker.joinable()) {
            worker.join();
            // A copy: the completion may start the next job, which replaces `done`.
            finished = done;
            jobResult = result;
        }
    }
    // Nothing of this object is touched once the completion has run: it may destroy it.
    if (finished)
        finished(jobResult);
    logLine(doneLine);
}
