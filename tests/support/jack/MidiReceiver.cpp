#include "MidiReceiver.h"

#include "UnseenByThreadSanitizer.h"

#include <jack/midiport.h>

#include <algorithm>
#include <thread>

MidiReceiver::MidiReceiver(const std::string& clientName, std::size_t capacity)
    : records(capacity) {
    client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr)
        return;
    input = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    inputName = input ? jack_port_name(input) : "";
    jack_set_process_callback(client, &MidiReceiver::receive, this);
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
    const auto found = std::find(names.begin(), names.end(), inputName);
    return found == names.end() ? -1 : static_cast<int>(found - names.begin());
}

bool MidiReceiver::waitFor(std::size_t total, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count() < total && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return count() >= total;
}

int MidiReceiver::receive(jack_nframes_t frames, void* self) {
    // The port's bytes were written by other clients' callbacks, ordered by libjack.
    const UnseenByThreadSanitizer writtenByLibjack;
    MidiReceiver& receiver = *static_cast<MidiReceiver*>(self);
    void* buffer = jack_port_get_buffer(receiver.input, frames);
    const auto stamp = std::chrono::steady_clock::now();
    jack_midi_event_t event;
    for (uint32_t index = 0; jack_midi_event_get(&event, buffer, index) == 0; ++index) {
        const std::size_t next = receiver.recorded.load(std::memory_order_relaxed);
        if (next == receiver.records.size())
            receiver.overflowed.fetch_add(1, std::memory_order_relaxed);
        else
            receiver.records[next] = {{event.buffer, event.buffer + event.size}, stamp};
        receiver.recorded.store(next + (next < receiver.records.size()), std::memory_order_release);
    }
    return 0;
}
