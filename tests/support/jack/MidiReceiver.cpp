#include "MidiReceiver.h"

#include "UnseenByThreadSanitizer.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <cstring>
#include <thread>

MidiReceiver::MidiReceiver(const std::string& clientName) {
    client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr)
        return;
    input = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    name = input ? jack_port_name(input) : "";
    jack_set_process_callback(
        client,
        [](jack_nframes_t frames, void* self) {
            static_cast<MidiReceiver*>(self)->receive(frames);
            return 0;
        },
        this);
    jack_on_shutdown(
        client,
        [](void* self) {
            static_cast<MidiReceiver*>(self)->gone.store(true, std::memory_order_release);
        },
        this);
    active = input != nullptr && jack_activate(client) == 0;
}

// Once a client of this process has seen its server die, libjack's next jack_client_open
// here frees every client of the process, so closing ours again would crash.
MidiReceiver::~MidiReceiver() {
    if (client != nullptr && !serverGone())
        jack_client_close(client);
}

int MidiReceiver::indexIn(const std::vector<std::string>& names) const {
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

bool MidiReceiver::fedBy(const std::string& outputPortName) const {
    return input && jack_port_connected_to(input, outputPortName.c_str());
}

std::vector<ReceivedMessage> MidiReceiver::messages(std::size_t from) const {
    std::vector<ReceivedMessage> result;
    for (std::size_t index = from, total = count(); index < total; ++index) {
        const auto first = pool.begin() + static_cast<long>(index ? ends[index - 1] : 0);
        result.push_back({{first, pool.begin() + static_cast<long>(ends[index])}, stamps[index]});
    }
    return result;
}

bool MidiReceiver::waitFor(std::size_t total, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count() < total && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return count() >= total;
}

void MidiReceiver::receive(uint32_t frames) {
    // The port's bytes were written by other clients' callbacks, ordered by libjack.
    const UnseenByThreadSanitizer writtenByLibjack;
    void* buffer = jack_port_get_buffer(input, frames);
    const auto stamp = std::chrono::steady_clock::now();
    jack_midi_event_t event;
    for (uint32_t index = 0; jack_midi_event_get(&event, buffer, index) == 0; ++index) {
        const std::size_t next = recorded.load(std::memory_order_relaxed);
        const std::size_t start = next ? ends[next - 1] : 0;
        if (next == ends.size() || start + event.size > pool.size()) {
            overflowed.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        std::memcpy(pool.data() + start, event.buffer, event.size);
        ends[next] = start + event.size;
        stamps[next] = stamp;
        recorded.store(next + 1, std::memory_order_release);
    }
}
