#pragma once

#include <atomic>
#include <cstdint>
#include <string>

typedef struct _jack_client jack_client_t;

// Watches the JACK server behind an open port: a JACK client of our own, without ports,
// on the server that RtMidi reaches (JACK_DEFAULT_SERVER, else the default). RtMidi's JACK
// output waits without end for room in its buffer, and only a running server empties it,
// so a send must be refused once the server is gone. And a new connection carries
// messages only from the next process cycle on, so opening waits for one to pass; closing
// waits likewise for RtMidi's last process callback to end.
class JackServerWatch {
public:
    JackServerWatch();
    ~JackServerWatch();
    JackServerWatch(const JackServerWatch&) = delete;
    JackServerWatch& operator=(const JackServerWatch&) = delete;

    // False when no server could be reached when the watch was made.
    bool connected() const { return client != nullptr; }
    // True once the server has shut down or died; safe from any thread.
    bool serverGone() const { return gone.load(std::memory_order_acquire); }
    // The server's last words, once it is gone.
    std::string reason() const;
    // Waits until `cycles` further process cycles have begun; false on time-out.
    bool waitForCycles(unsigned cycles) const;

private:
    static void onShutdown(int code, const char* why, void* self);

    jack_client_t* client = nullptr;
    std::atomic<uint64_t> cyclesBegun{0};
    std::atomic<bool> gone{false};
    char goneReason[128] = {};
};
