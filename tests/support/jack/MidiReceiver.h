#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;
typedef uint32_t jack_nframes_t;

// One message as it reached the receiver, stamped on the steady clock in the process
// callback (the dummy driver's frame clock drifts from real time, so frames are no judge).
struct ReceivedMessage {
    std::vector<unsigned char> bytes;
    std::chrono::steady_clock::time_point stamp;
};

// A JACK client with one MIDI input port that records every message it receives. The
// process callback only appends to storage reserved up front, then publishes the count,
// so readers need no lock.
class MidiReceiver {
public:
    static constexpr std::size_t DefaultCapacity = 1 << 18;

    explicit MidiReceiver(const std::string& clientName = "veltrano-receiver",
                          std::size_t capacity = DefaultCapacity);
    ~MidiReceiver();
    MidiReceiver(const MidiReceiver&) = delete;
    MidiReceiver& operator=(const MidiReceiver&) = delete;

    // True when the client is open, its port registered and the client active.
    bool ready() const { return active; }
    // The full JACK name of the input port, "client:input".
    std::string portName() const;
    // The position of this receiver's port in a list of port names, or -1.
    int indexIn(const std::vector<std::string>& names) const;
    // Connects a JACK output port, given by its full name, to this receiver, and returns
    // once the connection carries messages.
    bool connectFrom(const std::string& outputPortName) const;

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
    struct Record {
        std::size_t offset;
        std::size_t size;
        std::chrono::steady_clock::time_point stamp;
    };

    static int onProcess(jack_nframes_t frames, void* self);
    void receive(jack_nframes_t frames);
    bool waitForCycles(unsigned cycles) const;
    void store(const unsigned char* bytes, std::size_t size,
               std::chrono::steady_clock::time_point stamp);

    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    bool active = false;
    std::vector<Record> records;
    std::vector<unsigned char> pool;
    std::size_t poolUsed = 0; // touched by the process callback alone
    std::atomic<std::size_t> recorded{0};
    std::atomic<std::size_t> overflowed{0};
    std::atomic<bool> gone{false};
    std::atomic<uint64_t> cyclesBegun{0};
};
