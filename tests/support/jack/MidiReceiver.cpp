#include "MidiReceiver.h"

#include <jack/midiport.h>

#include <algorithm>

namespace {

// Room for the bytes of messages of this size on average, and never less than a long
// system-exclusive message or two.
constexpr std::size_t BytesPerRecord = 64;
constexpr std::size_t LeastBytes = 1 << 17;

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
    : client(jack_client_open(clientName.c_str(), JackNoStartServer, nullptr)), records(capacity),
      bytes(std::max(capacity * BytesPerRecord, LeastBytes), 1) {
    if (client == nullptr)
        return;
    input = jack_port_register(client, "input", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client, &MidiReceiver::receive, this);
    jack_on_shutdown(
        client, [](void* self) { static_cast<MidiReceiver*>(self)->gone = true; }, this);
    if (input != nullptr && jack_activate(client) == 0)
        inputName = jack_port_name(input);
}

// The stamp is the cycle's start as JACK's clock has it (filtered over cycles, the moment a
// device would play the cycle), moved to the steady clock, plus the event's frame offset at
// the cycle's measured period: this process's own wake-up, late by whatever the scheduler
// adds, does not count.
int MidiReceiver::receive(jack_nframes_t frames, void* self) {
    const UnseenCopies writtenByLibjack;
    MidiReceiver& receiver = *static_cast<MidiReceiver*>(self);
    void* buffer = jack_port_get_buffer(receiver.input, frames);
    jack_nframes_t cycleStart = 0;
    jack_time_t startMicros = 0, nextMicros = 0;
    float periodMicros = 0;
    jack_get_cycle_times(receiver.client, &cycleStart, &startMicros, &nextMicros, &periodMicros);
    using Micros = std::chrono::duration<double, std::micro>;
    const auto woke = std::chrono::steady_clock::now();
    const auto start =
        woke - std::chrono::duration_cast<std::chrono::steady_clock::duration>(Micros(
                   static_cast<double>(static_cast<int64_t>(jack_get_time() - startMicros))));
    const double microsPerFrame = static_cast<double>(periodMicros) / frames;
    jack_midi_event_t event;
    std::size_t heard = receiver.heard.load(std::memory_order_relaxed);
    std::size_t kept = receiver.kept.load(std::memory_order_relaxed);
    for (uint32_t index = 0; jack_midi_event_get(&event, buffer, index) == 0; ++index, ++heard) {
        // Once one is dropped, so is every later one: what was kept stays a prefix.
        if (kept != heard || kept == receiver.records.size() ||
            event.size > receiver.bytes.size() - receiver.bytesUsed)
            continue;
        const Micros offset(event.time * microsPerFrame);
        receiver.records[kept++] = {
            receiver.bytesUsed, event.size,
            start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(offset),
            cycleStart + event.time, woke};
        std::copy(event.buffer, event.buffer + event.size,
                  receiver.bytes.begin() + static_cast<std::ptrdiff_t>(receiver.bytesUsed));
        receiver.bytesUsed += event.size;
    }
    receiver.kept.store(kept, std::memory_order_release);
    receiver.heard.store(heard, std::memory_order_release);
    return 0;
}

std::vector<ReceivedMessage> MidiReceiver::messages(std::size_t from) const {
    std::vector<ReceivedMessage> copies;
    const std::size_t total = count();
    for (std::size_t index = from; index < total; ++index) {
        const Record& record = records[index];
        const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(record.at);
        copies.push_back({{begin, begin + static_cast<std::ptrdiff_t>(record.size)},
                          record.stamp,
                          record.frame,
                          record.woke});
    }
    return copies;
}
