#pragma once

#include <jack/jack.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// One message as it reached the receiver, stamped on the steady clock when the receiver's
// callback began plus its frame's offset in the cycle (the dummy driver's frame clock drifts
// from real time, so frame counts are no judge).
struct ReceivedMessage {
    std::vector<unsigned char> bytes;
    std::chrono::steady_clock::time_point stamp;
};

// A JACK client with one MIDI input port that records every message it receives. The
// process callback fills records and a byte store made (and touched) up front, then
// publishes their count, so readers need no lock and the callback never allocates: a
// callback that overruns its cycle misses that cycle's messages.
class MidiReceiver {
public:
    // `capacity` records are made up front: a test with many receivers keeps it small.
    explicit MidiReceiver(const std::string& clientName = "veltrano-receiver",
                          std::size_t capacity = 1 << 18);
    // Once a client of this process has seen its server die, libjack's next
    // jack_client_open here frees every client of the process, so closing ours would crash.
    ~MidiReceiver() {
        if (client != nullptr && !gone.load(std::memory_order_acquire))
            jack_client_close(client);
    }

    // True when the client is open, its port registered and the client active.
    bool ready() const { return !inputName.empty(); }
    // The full JACK name of the input port, "client:input".
    const std::string& portName() const { return inputName; }
    // The position of this receiver's port in a list of port names, or -1.
    int indexIn(const std::vector<std::string>& names) const {
        const auto found = std::find(names.begin(), names.end(), inputName);
        return found == names.end() ? -1 : static_cast<int>(found - names.begin());
    }

    // The messages recorded, in arrival order.
    std::size_t count() const { return kept.load(std::memory_order_acquire); }
    // The messages from number `from` on, in arrival order.
    std::vector<ReceivedMessage> messages(std::size_t from = 0) const;
    // Waits until `total` messages have arrived; false on time-out.
    bool waitFor(std::size_t total,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (count() < total && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return count() >= total;
    }
    // Messages that came once every record, or the byte store, was taken.
    std::size_t dropped() const {
        const std::size_t recorded = count(); // before `heard`, which is stored after it
        return heard.load(std::memory_order_acquire) - recorded;
    }

private:
    struct Record {
        std::size_t at = 0; // in `bytes`
        std::size_t size = 0;
        std::chrono::steady_clock::time_point stamp;
    };
    static int receive(jack_nframes_t frames, void* self);

    jack_client_t* client = nullptr;
    jack_port_t* input = nullptr;
    std::string inputName;
    std::vector<Record> records;
    std::vector<unsigned char> bytes;
    std::size_t bytesUsed = 0;         // the callback's
    std::atomic<std::size_t> heard{0}; // messages, recorded or not
    std::atomic<std::size_t> kept{0};  // messages recorded, a prefix of those heard
    std::atomic<bool> gone{false};
};
