#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

// One message as it reached the receiver, stamped on the steady clock in the process
// callback (the dummy driver's frame clock drifts from real time, so frames are no judge).
struct ReceivedMessage {
    std::vector<unsigned char> bytes;
    std::chrono::steady_clock::time_point stamp;
};

// A JACK client with one MIDI input port that records every message it receives. The
// process callback only writes to storage reserved up front, then publishes the count, so
// readers need no lock.
class MidiReceiver {
public:
    explicit MidiReceiver(const std::string& clientName = "veltrano-receiver");
    ~MidiReceiver();
    MidiReceiver(const MidiReceiver&) = delete;
    MidiReceiver& operator=(const MidiReceiver&) = delete;

    // True when the client is open, its port registered and the client active.
    bool ready() const { return active; }
    // The full JACK name of the input port, "client:input".
    std::string portName() const { return name; }
    // The position of this receiver's port in a list of port names, or -1.
    int indexIn(const std::vector<std::string>& names) const;
    // True while the JACK output port of that full name is connected to ours.
    bool fedBy(const std::string& outputPortName) const;

    std::size_t count() const { return recorded.load(std::memory_order_acquire); }
    // The messages from number `from` on, in arrival order.
    std::vector<ReceivedMessage> messages(std::size_t from = 0) const;
    // Waits until `total` messages have arrived; false on time-out.
    bool waitFor(std::size_t total,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Messages that did not fit in the reserved storage.
    std::size_t dropped() const { return overflowed.load(std::memory_order_relaxed); }
    bool serverGone() const { return gone.load(std::memory_order_acquire); }

private:
    void receive(uint32_t frames);

    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    std::string name;
    bool active = false;
    // Message n's bytes end at ends[n] in `pool`, where the message before ends.
    std::vector<unsigned char> pool = std::vector<unsigned char>(1 << 22);
    std::vector<std::size_t> ends = std::vector<std::size_t>(1 << 18);
    std::vector<std::chrono::steady_clock::time_point> stamps =
        std::vector<std::chrono::steady_clock::time_point>(1 << 18);
    std::atomic<std::size_t> recorded{0}, overflowed{0};
    std::atomic<bool> gone{false};
};
