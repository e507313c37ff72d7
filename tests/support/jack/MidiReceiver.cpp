#include "MidiReceiver.h"

#include <jack/midiport.h>

namespace {

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#else
void __tsan_ignore_thread_begin() {}
void __tsan_ignore_thread_end() {}
#endif

// The port's bytes were written by the sender's process callback inside libjack, ordered by
// the server's semaphores, which ThreadSanitizer cannot see: the receiver's copies of them are
// not recorded (a report, even a suppressed one, stalls the process's JACK clients).
struct UnseenCopies {
    UnseenCopies() { __tsan_ignore_thread_begin(); }
    ~UnseenCopies() { __tsan_ignore_thread_end(); }
};

} // namespace

MidiReceiver::MidiReceiver(const std::string& clientName, std::size_t capacity)
    : client(jack_client_open(clientName.c_str(), JackNoStartServer, nullptr)), records(capacity) {
    if (client == nullptr)
        return;
    input = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, &MidiReceiver::receive, this);
    jack_on_shutdown(
        client, [](void* self) { static_cast<MidiReceiver*>(self)->gone = true; }, this);
    if (input != nullptr && jack_activate(client) == 0)
        inputName = jack_port_name(input);
}

int MidiReceiver::receive(jack_nframes_t frames, void* self) {
    const UnseenCopies writtenByLibjack;
    MidiReceiver& receiver = *static_cast<MidiReceiver*>(self);
    void* buffer = jack_port_get_buffer(receiver.input, frames);
    const auto stamp = std::chrono::steady_clock::now();
    const jack_nframes_t cycleStart = jack_last_frame_time(receiver.client);
    const double secondsPerFrame = 1.0 / jack_get_sample_rate(receiver.client);
    jack_midi_event_t event;
    std::size_t next = receiver.heard.load(std::memory_order_relaxed);
    for (uint32_t index = 0; jack_midi_event_get(&event, buffer, index) == 0; ++index, ++next) {
        const std::chrono::duration<double> offset(event.time * secondsPerFrame);
        if (next < receiver.records.size())
            receiver.records[next] = {
                {event.buffer, event.buffer + event.size},
                stamp + std::chrono::duration_cast<std::chrono::steady_clock::duration>(offset),
                cycleStart + event.time};
    }
    receiver.heard.store(next, std::memory_order_release);
    return 0;
}
