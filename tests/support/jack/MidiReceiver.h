#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

// One message as it reached the receiver, stamped on the steady clock in the process
// callback (the dummy driver's frame clock drifts from real time, so frames are no judge).
struct ReceivedMessage {
    std::vector<unsigned char> bytes;
    std::chrono::steady_clock::time_point stamp;
};

// A JACK client with one MIDI input port that records every message it receives. The
// process callback fills records made up front, then publishes their count, so readers need
// no lock.
class MidiReceiver {
public:
    // `capacity` records are made up front: a test with many receivers keeps it small.
    explicit MidiReceiver(const std::string& clientName = "veltrano-receiver",
                          std::size_t capacity = 1 << 18);
    ~MidiReceiver();

    // True when the client is open, its port registered and the client active.
    bool ready() const { return active; }
    // The full JACK name of the input port, "client:input".
    const std::string& portName() const { return inputName; }
    // The position of this receiver's port in a list of port names, or -1.
    int indexIn(const std::vector<std::string>& names) const;

    std::size_t count() const { return recorded.load(std::memory_order_acquire); }
    // The messages from number `from` on, in arrival order.
    std::vector<ReceivedMessage> messages(std::size_t from = 0) const {
        return {records.begin() + static_cast<long>(from),
                records.begin() + static_cast<long>(count())};
    }
    // Waits until `total` messages have arrived; false on time-out.
    bool waitFor(std::size_t total,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Messages that came once every record was taken.
    std::size_t dropped() const { return overflowed.load(std::memory_order_relaxed); }
    bool serverGone() const { return gone.load(std::memory_order_acquire); }

private:
    static int receive(jack_nframes_t frames, void* self);

    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    std::string inputName;
    bool active = false;
    std::vector<ReceivedMessage> records;
    std::atomic<std::size_t> recorded{0}, overflowed{0};
    std::atomic<bool> gone{false};
};
