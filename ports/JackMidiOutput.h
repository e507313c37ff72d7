#pragma once

#include "MidiRing.h"
#include "ZylmidiOutput.h"

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// An output port on JACK, on libjack directly: a client of its own with one MIDI output
// port connected to the chosen input port. `send` stamps each message with its moment on
// the steady clock and queues it in a lock-free ring; the process callback writes it one
// period later, at the frame of that moment inside the cycle that covers it, so spacing is
// kept to the frame, and a sender that wakes up to a period late loses nothing of it.
// Sending never waits: a full ring, a server gone or one that ran no cycle for a second
// fail at once. The connection is watched: when it goes the port says so, and a port of the
// chosen name that appears again is connected again.
class JackMidiOutput : public ZylmidiOutput {
public:
    using Clock = std::chrono::steady_clock;

    // Opens a client named `clientName` with its port `portName` connected to `target`,
    // within `limit`: 0 with the port in `opened`, or the RtMidiError type number with the
    // reason in `why`. What is still opening when the limit passes is left to itself.
    static int open(const std::string& clientName, const std::string& portName,
                    const std::string& target, Clock::duration limit,
                    std::unique_ptr<ZylmidiOutput>& opened, std::string& why);
    ~JackMidiOutput() override;
    JackMidiOutput(const JackMidiOutput&) = delete;
    JackMidiOutput& operator=(const JackMidiOutput&) = delete;

    int send(const Message& message, Moment due, std::string& why) override;
    bool connectionLost() const override { return lost.load(std::memory_order_acquire); }
    bool working() const override;
    bool close() override;

private:
    struct Record; // the header of a message in the ring

    explicit JackMidiOutput(std::string target);
    int connect(const std::string& clientName, const std::string& portName, std::string& why);
    static int process(jack_nframes_t frames, void* self);
    void writeDue(void* buffer, jack_nframes_t frames, Clock::rep began);
    Clock::rep stamp(Moment due);
    // False when `count` cycles did not begin within as many periods and 100 ms more.
    bool waitForCycles(uint64_t count) const;
    bool stalled() const;
    void wakeWatcher();
    void watch();
    void lookAtConnection();
    void stopWatching();

    const std::string target;
    jack_client_t* client = nullptr;
    jack_port_t* output = nullptr;
    MidiRing ring;
    std::vector<unsigned char> scratch;  // the callback's copy of one message
    double sampleRate = 48000;           // frames a second
    Clock::duration period{};            // of one cycle
    Clock::rep lastStamp = 0;            // the sending thread's
    std::atomic<std::size_t> longest{0}; // bytes an empty port buffer takes, once known
    std::atomic<uint64_t> cycles{0};
    std::atomic<Clock::rep> lastCycleTicks;
    std::atomic<bool> gone{false};
    std::atomic<bool> lost{false};

    std::mutex watchGuard;
    std::condition_variable watchWake;
    bool lookAgain = false; // under watchGuard
    bool quit = false;      // under watchGuard
    std::thread watcher;
};
