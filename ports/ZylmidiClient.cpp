#include "ZylmidiClient.h"

#include "ZylmidiBackend.h"

#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The first cycle begun after RtMidi connects or closes may still run the old graph.
constexpr unsigned ConnectionCycles = 2;
// Opening waits for the connection within this, so that it ends within ClientCallLimit.
constexpr auto ConnectionLimit = std::chrono::milliseconds(250);
// Far longer than a cycle of any server that plays music (a period of 4096 frames at
// 44.1 kHz is 93 ms), so that only a stopped or failing server runs none meanwhile.
constexpr auto CycleLimit = std::chrono::milliseconds(100);

// Once a client of this process has seen its server die, libjack (1.9.21) closes and frees
// every client here at the next jack_client_open, so closing one of them again crashes;
// and closing makes RtMidi wait a second for a process cycle that never comes. Such
// clients are left as they are; they stay reachable so that leak checkers do not report
// them.
void abandon(std::unique_ptr<RtMidiOut> client, std::unique_ptr<JackServerWatch> watch) {
    struct Abandoned {
        RtMidiOut* client;
        JackServerWatch* watch;
    };
    static std::mutex guard; // clients close on different threads
    static auto* abandoned = new std::vector<Abandoned>;
    const std::lock_guard<std::mutex> lock(guard);
    abandoned->push_back({client.release(), watch.release()});
}

// Some back ends (JACK) only warn about a number beyond their list and leave an
// unconnected port, which would swallow every message without a word.
void refuseBeyondList(RtMidiOut& client, unsigned portNumber) {
    const unsigned count = client.getPortCount();
    if (portNumber < count)
        return;
    throw RtMidiError("ZylmidiOut::open: port number " + std::to_string(portNumber) +
                          " is beyond the " + std::to_string(count) + " output ports.",
                      RtMidiError::INVALID_PARAMETER);
}

void openClient(const std::string& clientName, const std::string& portName, unsigned portNumber,
                OpenedClient& opened) {
    try {
        opened.client = createOutputClient(clientName);
        refuseBeyondList(*opened.client, portNumber);
        if (opened.client->getCurrentApi() == RtMidi::UNIX_JACK) {
            opened.watch = std::make_unique<JackServerWatch>();
            if (!opened.watch->connected())
                throw RtMidiError("ZylmidiOut::open: no JACK server to watch.",
                                  RtMidiError::DRIVER_ERROR);
        }
        opened.client->openPort(portNumber, portName);
        if (opened.watch && !opened.watch->waitForCycles(ConnectionCycles, ConnectionLimit))
            throw RtMidiError("ZylmidiOut::open: the JACK server runs no process cycles.",
                              RtMidiError::DRIVER_ERROR);
    } catch (const RtMidiError& error) {
        opened.error = error.getType();
        opened.message = error.getMessage();
        closeClient(std::move(opened.client), std::move(opened.watch));
    }
}

struct OpenAttempt {
    std::mutex guard;
    std::condition_variable finished;
    bool done = false;
    bool givenUp = false;
    OpenedClient opened;
};

} // namespace

bool openClientWithin(const std::string& clientName, const std::string& portName,
                      unsigned portNumber, std::chrono::milliseconds limit, OpenedClient& opened) {
    auto attempt = std::make_shared<OpenAttempt>();
    std::thread([attempt, clientName, portName, portNumber] {
        OpenedClient result;
        openClient(clientName, portName, portNumber, result);
        std::unique_lock<std::mutex> lock(attempt->guard);
        if (attempt->givenUp) {
            lock.unlock();
            abandon(std::move(result.client), std::move(result.watch));
            return;
        }
        attempt->opened = std::move(result);
        attempt->done = true;
        attempt->finished.notify_one();
    }).detach();
    std::unique_lock<std::mutex> lock(attempt->guard);
    if (!attempt->finished.wait_for(lock, limit, [&] { return attempt->done; })) {
        attempt->givenUp = true;
        return false;
    }
    opened = std::move(attempt->opened);
    return true;
}

void closeClient(std::unique_ptr<RtMidiOut> client, std::unique_ptr<JackServerWatch> watch) {
    if (!watch) {
        client.reset();
        return;
    }
    // A watch that could not reach the server may have met it dying, and then libjack
    // may have freed the client already.
    if (!watch->connected() || watch->serverGone()) {
        abandon(std::move(client), std::move(watch));
        return;
    }
    // Closing talks to the server and waits for its cycles; a stopped server would hold
    // us for as long as it stays stopped.
    if (!watch->waitForCycles(1, CycleLimit)) {
        if (!watch->serverGone())
            std::cerr << "ZylmidiOut::close: the JACK server ran no process cycle for "
                      << CycleLimit.count() << " ms; its client is left open." << std::endl;
        abandon(std::move(client), std::move(watch));
        return;
    }
    // RtMidi 5.0 frees its JACK buffer while its process callback may still be reading it.
    // Once the port is closed, callbacks that begin leave the buffer alone; the one that
    // may be running ends before the next cycles begin.
    client->closePort();
    watch->waitForCycles(ConnectionCycles, CycleLimit);
    client.reset();
    watch.reset();
}
