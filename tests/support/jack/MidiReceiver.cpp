#include "MidiReceiver.h"

#include "UnseenByThreadSanitizer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <cstring>
#include <thread>

namespace {

constexpr std::size_t BytesPerMessageReserved = 16;

} // namespace

MidiReceiver::MidiReceiver(const std::string& clientName, std::size_t capacity)
    : records(capacity), pool(capacity * BytesPerMessageReserved) {
    client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr)
        return;
    input = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, &MidiReceiver::onProcess, this);
    jack_on_info_shutdown(
        client,
        [](jack_status_t, const char*, void* self) {
            static_cast<MidiReceiver*>(self)->gone.store(true, std::memory_order_release);
        },
        this);
    active = input != nullptr && jack_activate(client) == 0;
}

// Once a client of this process has seen its server die, libjack's next jack_client_open
// here closes and frees every client of the process, so closing ours again would crash.
// A client whose server died is left to libjack.
MidiReceiver::~MidiReceiver() {
    if (client != nullptr && !serverGone())
        jack_client_close(client);
}

std::string MidiReceiver::portName() const {
    return input ? jack_port_name(input) : "";
}

int MidiReceiver::indexIn(const std::vector<std::string>& names) const {
    const std::string own = portName();
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (names[index] == own)
            return static_cast<int>(index);
    }
    return -1;
}

bool MidiReceiver::connectFrom(const std::string& outputPortName) const {
    if (!active || jack_connect(client, outputPortName.c_str(), portName().c_str()) != 0)
        return false;
    // The first cycle begun after the connection may still run the old graph.
    return waitForCycles(2);
}

bool MidiReceiver::waitForCycles(unsigned cycles) const {
    const uint64_t target = cyclesBegun.load(std::memory_order_acquire) + cycles;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (cyclesBegun.load(std::memory_order_acquire) < target) {
        if (serverGone() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

std::vector<ReceivedMessage> MidiReceiver::messages(std::size_t from) const {
    const std::size_t total = count();
    std::vector<ReceivedMessage> result;
    for (std::size_t index = from; index < total; ++index) {
        const Record& record = records[index];
        const auto* first = pool.data() + record.offset;
        result.push_back({{first, first + record.size}, record.stamp});
    }
    return result;
}

bool MidiReceiver::waitFor(std::size_t total, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count() < total) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int MidiReceiver::onProcess(jack_nframes_t frames, void* self) {
    static_cast<MidiReceiver*>(self)->receive(frames);
    return 0;
}

void MidiReceiver::receive(jack_nframes_t frames) {
    // The port's bytes were written by other clients' callbacks, ordered by libjack.
    const UnseenByThreadSanitizer writtenByLibjack;
    void* buffer = jack_port_get_buffer(input, frames);
    const auto stamp = std::chrono::steady_clock::now();
    cyclesBegun.fetch_add(1, std::memory_order_release);
    const jack_nframes_t events = jack_midi_get_event_count(buffer);
    for (jack_nframes_t index = 0; index < events; ++index) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, index) == 0)
            store(event.buffer, event.size, stamp);
    }
}

void MidiReceiver::store(const unsigned char* bytes, std::size_t size,
                         std::chrono::steady_clock::time_point stamp) {
    const std::size_t next = recorded.load(std::memory_order_relaxed);
    if (next >= records.size() || poolUsed + size > pool.size()) {
        overflowed.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::memcpy(pool.data() + poolUsed, bytes, size);
    records[next] = {poolUsed, size, stamp};
    poolUsed += size;
    recorded.store(next + 1, std::memory_order_release);
}
