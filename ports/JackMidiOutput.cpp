#include "JackMidiOutput.h"

#include "CallWithin.h"
#include "JackPortList.h"
#include "ZylmidiWire.h"

#include "RtMidi.h"

#include <jack/midiport.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

using Clock = JackMidiOutput::Clock;

// Holds a burst of 100,000 short messages even while the server drains none of them.
constexpr std::size_t RingBytes = 2 << 20;
// A server that runs no cycle for this long counts as stopped.
constexpr auto StallLimit = std::chrono::seconds(1);
// The first cycle begun after connecting may still run the old graph.
constexpr uint64_t ConnectionCycles = 2;
// How much longer than its periods a wait for cycles may take before the server counts as
// stopped.
constexpr auto CycleLimit = std::chrono::milliseconds(100);
// While the connection is lost, how often the watch looks for the port again: a port that
// appears is connectable only once its client is active, and that sends no notification.
constexpr auto LostLookInterval = std::chrono::milliseconds(100);
// A moment further ahead than this is no schedule's: queued, it would hold back every message
// sent after it, the releases of a stop among them, so such a message goes now.
constexpr auto LongestAhead = std::chrono::milliseconds(100);

Clock::rep ticksNow() {
    return Clock::now().time_since_epoch().count();
}

} // namespace

struct JackMidiOutput::Record {
    Clock::rep due; // the moment it belongs to, on the steady clock
    uint32_t size;
};

JackMidiOutput::JackMidiOutput(std::string target)
    : target(std::move(target)), ring(RingBytes), lastCycleTicks(ticksNow()) {}

int JackMidiOutput::open(const std::string& clientName, const std::string& portName,
                         const std::string& target, Clock::duration limit,
                         std::unique_ptr<ZylmidiOutput>& opened, std::string& why) {
    struct Attempt {
        JackMidiOutput* port = nullptr;
        int error = 0;
        std::string why;
    };
    const std::function<Attempt()> task = [=] {
        Attempt attempt;
        attempt.port = new JackMidiOutput(target);
        attempt.error = attempt.port->connect(clientName, portName, attempt.why);
        if (attempt.error != 0) {
            closeOutput(std::unique_ptr<ZylmidiOutput>(attempt.port));
            attempt.port = nullptr;
        }
        return attempt;
    };
    Attempt done;
    if (!callWithin<Attempt>(
            limit, task,
            [](Attempt late) { closeOutput(std::unique_ptr<ZylmidiOutput>(late.port)); }, done)) {
        why = "ZylmidiOut::open: the JACK server did not answer within " +
              std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(limit).count()) +
              " ms; gave up opening " + target + ".";
        return RtMidiError::DRIVER_ERROR;
    }
    opened.reset(done.port);
    why = done.why;
    return done.error;
}

int JackMidiOutput::connect(const std::string& clientName, const std::string& portName,
                            std::string& why) {
    client = jack_client_open(clientName.c_str(), JackNoStartServer, nullptr);
    if (client == nullptr) {
        why = "ZylmidiOut::open: no JACK server answered.";
        return RtMidiError::DRIVER_ERROR;
    }
    output =
        jack_port_register(client, portName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    scratch.resize(jack_port_type_get_buffer_size(client, JACK_DEFAULT_MIDI_TYPE));
    sampleRate = jack_get_sample_rate(client);
    period = jackCycleLength(client); // PipeWire's JACK goes up to 8192 frames (171 ms)
    // The callbacks run on libjack's threads.
    jack_set_process_callback(client, &JackMidiOutput::process, this);
    jack_on_info_shutdown(
        client,
        [](jack_status_t, const char*, void* self) {
            static_cast<JackMidiOutput*>(self)->gone.store(true, std::memory_order_release);
        },
        this);
    jack_set_port_connect_callback(
        client,
        [](jack_port_id_t, jack_port_id_t, int, void* self) {
            static_cast<JackMidiOutput*>(self)->wakeWatcher();
        },
        this);
    jack_set_port_registration_callback(
        client,
        [](jack_port_id_t, int, void* self) { static_cast<JackMidiOutput*>(self)->wakeWatcher(); },
        this);
    if (output == nullptr || jack_activate(client) != 0) {
        why = "ZylmidiOut::open: JACK refused the output port.";
        return RtMidiError::DRIVER_ERROR;
    }
    if (jack_connect(client, jack_port_name(output), target.c_str()) != 0) {
        why = "ZylmidiOut::open: cannot connect to the JACK port " + target + ".";
        return RtMidiError::INVALID_PARAMETER;
    }
    if (!waitForCycles(ConnectionCycles)) {
        why = "ZylmidiOut::open: the JACK server runs no process cycles.";
        return RtMidiError::DRIVER_ERROR;
    }
    watcher = std::thread(&JackMidiOutput::watch, this);
    return 0;
}

JackMidiOutput::~JackMidiOutput() {
    stopWatching();
}

void JackMidiOutput::stopWatching() {
    if (!watcher.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(watchGuard);
        quit = true;
    }
    watchWake.notify_one();
    watcher.join();
}

bool JackMidiOutput::close() {
    stopWatching();
    if (client == nullptr)
        return true;
    // What was sent last (the releases) goes out before the port does.
    const auto drainedBy = Clock::now() + CycleLimit + period;
    while (working() && ring.readable() != 0 && Clock::now() < drainedBy)
        waitForCycles(1);
    // Closing talks to the server: a stopped one would hold us for as long as it stays so;
    // and once libjack has met its server dead it frees the client itself.
    if (gone.load(std::memory_order_acquire) || !waitForCycles(1)) {
        if (!gone.load(std::memory_order_acquire))
            std::cerr << "ZylmidiOut::close: the JACK server ran no process cycle for "
                      << std::chrono::duration_cast<std::chrono::milliseconds>(CycleLimit + period)
                             .count()
                      << " ms; its client is left open." << std::endl;
        return false;
    }
    jack_client_close(client);
    client = nullptr;
    return true;
}

int JackMidiOutput::send(const Message& message, Moment due, std::string& why) {
    if (gone.load(std::memory_order_acquire)) {
        why = "ZylmidiOut::send: the JACK server is gone.";
        return RtMidiError::DRIVER_ERROR;
    }
    // The releases of a stop are queued even so: heard once the server runs again, rather
    // than leave notes sounding.
    if (stalled() && !releasesSound(message)) {
        why = "ZylmidiOut::send: the JACK server has run no process cycle for 1 s.";
        return RtMidiError::DRIVER_ERROR;
    }
    if (message.size() > longest.load(std::memory_order_relaxed)) {
        why = "ZylmidiOut::send: a message of " + std::to_string(message.size()) +
              " bytes is longer than the " + std::to_string(longest.load()) +
              " that one JACK cycle takes.";
        return RtMidiError::INVALID_PARAMETER;
    }
    const Record record{stamp(due), static_cast<uint32_t>(message.size())};
    if (!ring.write(&record, sizeof record, message.data(), message.size())) {
        why = "ZylmidiOut::send: no room left for the message; the JACK server falls behind.";
        return RtMidiError::DRIVER_ERROR;
    }
    return 0;
}

// A message without a moment belongs to now; none goes before one sent earlier.
Clock::rep JackMidiOutput::stamp(Moment due) {
    const Moment now = Clock::now();
    const Moment moment = due == Moment() || due - now > LongestAhead ? now : due;
    lastStamp = std::max(lastStamp, moment.time_since_epoch().count());
    return lastStamp;
}

bool JackMidiOutput::working() const {
    return !gone.load(std::memory_order_acquire) && !stalled();
}

bool JackMidiOutput::stalled() const {
    const Clock::time_point last(Clock::duration(lastCycleTicks.load(std::memory_order_acquire)));
    return Clock::now() - last > StallLimit;
}

bool JackMidiOutput::waitForCycles(uint64_t count) const {
    const uint64_t target = cycles.load(std::memory_order_acquire) + count;
    const auto deadline = Clock::now() + CycleLimit + period * static_cast<int64_t>(count);
    while (cycles.load(std::memory_order_acquire) < target) {
        if (gone.load(std::memory_order_acquire) || Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

int JackMidiOutput::process(jack_nframes_t frames, void* self) {
    const Clock::rep began = ticksNow();
    auto& port = *static_cast<JackMidiOutput*>(self);
    void* buffer = jack_port_get_buffer(port.output, frames);
    jack_midi_clear_buffer(buffer);
    if (port.longest.load(std::memory_order_relaxed) == 0)
        port.longest.store(std::min(jack_midi_max_event_size(buffer), port.scratch.size()),
                           std::memory_order_relaxed);
    port.writeDue(buffer, frames, began);
    port.lastCycleTicks.store(began, std::memory_order_release);
    port.cycles.fetch_add(1, std::memory_order_release);
    return 0;
}

// Each message goes one period after its moment, at the frame that moment falls on when this
// cycle is taken to begin as its callback did; a late one at the first frame free. The
// moment is placed by the steady clock, not by JACK's estimate of frame times, which drifts
// on a free-running (dummy) driver and has been seen 20 ms off for seconds after a late
// cycle. Messages are in order, so the first one not yet due ends the cycle.
void JackMidiOutput::writeDue(void* buffer, jack_nframes_t frames, Clock::rep began) {
    const double framesPerTick = sampleRate * Clock::period::num / Clock::period::den;
    const auto periodFrames = static_cast<int64_t>(frames);
    int64_t offset = 0;
    Record record;
    while (ring.readable() >= sizeof record) {
        ring.peek(&record, sizeof record);
        const double ticksToMoment = static_cast<double>(record.due - began);
        const auto frame =
            periodFrames + static_cast<int64_t>(std::floor(ticksToMoment * framesPerTick));
        if (frame >= periodFrames)
            return;
        offset = std::max(offset, std::min(frame, periodFrames - 1));
        ring.peek(scratch.data(), record.size, sizeof record);
        if (jack_midi_event_write(buffer, static_cast<jack_nframes_t>(offset), scratch.data(),
                                  record.size) != 0)
            return; // the port's buffer is full: the rest goes next cycle
        ring.skip(sizeof record + record.size);
    }
}

void JackMidiOutput::wakeWatcher() {
    {
        const std::lock_guard<std::mutex> lock(watchGuard);
        lookAgain = true;
    }
    watchWake.notify_one();
}

// libjack's notifications must not call the server, so a thread of ours reconnects.
void JackMidiOutput::watch() {
    std::unique_lock<std::mutex> lock(watchGuard);
    while (!quit) {
        const auto woken = [this] { return lookAgain || quit; };
        if (connectionLost())
            watchWake.wait_for(lock, LostLookInterval, woken);
        else
            watchWake.wait(lock, woken);
        if (quit)
            return;
        lookAgain = false;
        lock.unlock();
        lookAtConnection();
        lock.lock();
    }
}

void JackMidiOutput::lookAtConnection() {
    if (gone.load(std::memory_order_acquire))
        return;
    bool connected = jack_port_connected(output) > 0;
    if (!connected && jack_port_by_name(client, target.c_str()) != nullptr)
        connected = jack_connect(client, jack_port_name(output), target.c_str()) == 0;
    if (lost.exchange(!connected, std::memory_order_acq_rel) != !connected)
        std::cerr << "MIDI output " << target << (connected ? " back" : " lost") << std::endl;
}
