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

// The stamp is the steady clock when this callback began, plus the event's frame offset at
// the nominal rate. JACK's own estimate of the cycle's start is no judge here: the dummy
// driver's clock drifts from real time, and after a late cycle the estimate has been seen
// 20 ms off for seconds, which moved every stamp with it.
int MidiReceiver::receive(jack_nframes_t frames, void* self) {
    const UnseenCopies writtenByLibjack;
    MidiReceiver& receiver = *static_cast<MidiReceiver*>(self);
    const auto woke = std::chrono::steady_clock::now();
    void* buffer = jack_port_get_buffer(receiver.input, frames);
    using Micros = std::chrono::duration<double, std::micro>;
    const double microsPerFrame = 1e6 / jack_get_sample_rate(receiver.client);
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
            woke + std::chrono::duration_cast<std::chrono::steady_clock::duration>(offset)};
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
        copies.push_back({{begin, begin + static_cast<std::ptrdiff_t>(record.size)}, record.stamp});
    }
    return copies;
}
