#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

typedef struct _jack_client jack_client_t;

// Watches the JACK server behind an open port: a JACK client of our own, without ports,
// on the server that RtMidi reaches (JACK_DEFAULT_SERVER, else the default). RtMidi's JACK
// output waits without end for room in its buffer, and only a running server empties it,
// so a send must be refused once the server is gone. And a new connection carries
// messages only from the next process cycle on, so opening waits for one to pass; closing
// waits likewise for RtMidi's last process callback to end.
//
// A server counts as gone when libjack reports its shutdown, or when it has run no
// process cycle for a while (`stalledFor`): libjack does not always call the shutdown
// callback (it frees this process's clients of a dead server when another client opens),
// and a stopped server calls nothing at all.
class JackServerWatch {
public:
    using Clock = std::chrono::steady_clock;

    JackServerWatch();
    ~JackServerWatch();
    JackServerWatch(const JackServerWatch&) = delete;
    JackServerWatch& operator=(const JackServerWatch&) = delete;

    // False when no server could be reached when the watch was made.
    bool connected() const { return client != nullptr; }
    // True once the server has shut down or died, or was given up; safe from any thread.
    bool serverGone() const { return gone.load(std::memory_order_acquire); }
    // Counts the server as gone from now on, with `why` as its reason.
    void giveUp(const std::string& why);
    // Why the server counts as gone, once it does.
    std::string reason() const;

    // Process cycles begun since the watch was made.
    uint64_t cycles() const { return cyclesBegun.load(std::memory_order_acquire); }
    // True when the last process cycle began longer than `span` ago.
    bool stalledFor(Clock::duration span) const;
    // Waits until `count` further process cycles have begun; false when the server is gone
    // or `timeout` passed first.
    bool waitForCycles(unsigned count, Clock::duration timeout) const;

private:
    static void onShutdown(int code, const char* why, void* self);
    static int onProcess(uint32_t frames, void* self);

    jack_client_t* client = nullptr;
    std::atomic<uint64_t> cyclesBegun{0};
    std::atomic<Clock::rep> lastCycleTicks{0};
    std::atomic<bool> gone{false};
    mutable std::mutex reasonGuard;
    std::string goneReason;
};
