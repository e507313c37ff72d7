// How close playback comes to each event's ideal moment, on a generated format 0 file at
// division 480 with deltas of 1 to 960 ticks, through a private JACK server. The steady-clock
// schedule (which hands each event over SendAhead early, with its ideal moment, so "at send"
// shows it that much early) runs beside the old pacing (whole-millisecond interruptibleSleep
// waits counted from each send, no clock) in the same run. Errors are taken when the event is
// handed to send and at the receiver (the steady clock as its callback began, plus the
// event's frame offset), against the moment the file's own timing gives it; at the
// receiver, less the one period of constant latency that the port adds by design, and again
// with the messages the machine made late set aside (the sending thread woke up too late, or
// the server's cycle began late). Last, the measuring floor: the receiver's own wake-up after
// a sender's callback, in every stamp.
//
//     bench_timing [seconds [period frames]]    (60 s and 64 frames when not given)
#include "BenchFigures.h"
#include "BenchPort.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "SmfTrackBuilder.h"
#include "TempDir.h"
#include "ZylmidiFile.h"
#include "ZylmidiOut.h"
#include "ZylmidiSchedule.h"
#include "ZylmidiWire.h"

#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t Division = 480;
constexpr double DefaultSeconds = 60;
constexpr double LongestSeconds = 3600;
constexpr uint32_t TicksPerSecond = 2 * Division; // 120 beats per minute

// Deltas of 1 to 960 ticks, mostly short as in a busy piece, now and then a long rest.
uint32_t pickDelta(std::mt19937& random) {
    const unsigned pick = random() % 100;
    if (pick < 88)
        return 1 + random() % 24;
    if (pick < 97)
        return 25 + random() % 216;
    return 241 + random() % 720;
}

// Notes struck and released in turn, with a meta event or a system-exclusive message now
// and then (their deltas count like any other); every note is released at the end.
Bytes generatedSong(double seconds) {
    std::mt19937 random(2026);
    SmfTrackBuilder track;
    track.tempo(0, 500000);
    const auto totalTicks = static_cast<uint64_t>(seconds * TicksPerSecond);
    uint64_t ticks = 0;
    bool sounding = false;
    unsigned char key = 60;
    while (ticks < totalTicks || sounding) {
        const uint32_t delta =
            static_cast<uint32_t>(std::min<uint64_t>(pickDelta(random), totalTicks - ticks));
        ticks += delta;
        const unsigned pick = random() % 100;
        if (pick == 0 && !sounding)
            track.text(delta, "verse");
        else if (pick == 1 && !sounding)
            track.sysex(delta, {0x7D, 0x01, static_cast<unsigned char>(random() % 128)});
        else {
            if (!sounding)
                key = static_cast<unsigned char>(48 + random() % 36);
            track.channel(delta, {static_cast<unsigned char>(sounding ? 0x80 : 0x90), key, 0x50});
            sounding = !sounding;
        }
    }
    track.endOfTrack();
    return singleTrackFile(track.body(), Division);
}

// Seconds from the start of the song to each event's moment.
std::vector<double> idealSeconds(const ZylmidiTrack& track, double secondsPerTick) {
    std::vector<double> moments;
    uint64_t ticks = 0;
    for (const ZylmidiEvent& event : track.events) {
        ticks += event.delta;
        moments.push_back(static_cast<double>(ticks) * secondsPerTick);
    }
    return moments;
}

struct Run {
    Clock::time_point start;
    std::vector<std::size_t> sentEvents; // indexes of the events that went on the wire
    std::vector<Clock::time_point> handed;
    unsigned restarts = 0;
    int failures = 0;
};

void sendWire(ZylmidiOut& out, const ZylmidiTrack& track, std::size_t index, Run& run,
              Bytes& scratch, Clock::time_point due = {}) {
    const Bytes* wire = wireMessage(track.events[index], scratch);
    if (!wire)
        return;
    run.sentEvents.push_back(index);
    run.handed.push_back(Clock::now());
    run.failures += out.send(*wire, due) != 0;
}

Run playScheduled(ZylmidiOut& out, const ZylmidiTrack& track, double secondsPerTick) {
    Run run;
    Bytes scratch;
    run.start = Clock::now();
    ZylmidiSchedule schedule(run.start, SendAhead);
    for (std::size_t index = 0; index < track.events.size(); ++index) {
        schedule.wait(track.events[index].delta * secondsPerTick, 1.0, {});
        sendWire(out, track, index, run, scratch, schedule.moment());
    }
    run.restarts = schedule.restarts();
    return run;
}

// The old pacing: each wait truncated to whole microseconds, slept in whole milliseconds
// from the end of the previous send.
Run playSleeping(ZylmidiOut& out, const ZylmidiTrack& track, double secondsPerTick) {
    Run run;
    Bytes scratch;
    run.start = Clock::now();
    for (std::size_t index = 0; index < track.events.size(); ++index) {
        const auto micros = static_cast<int64_t>(track.events[index].delta * 1e6 * secondsPerTick);
        if (micros != 0)
            interruptibleSleep(micros, {}, PlaybackSliceMicros);
        sendWire(out, track, index, run, scratch);
    }
    return run;
}

double millisBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// p50, p99 and the largest of the errors' sizes, and the signed error of the last event.
void printErrors(const char* name, const char* where, const std::vector<double>& errors) {
    std::vector<double> sizes;
    for (double error : errors)
        sizes.push_back(std::fabs(error));
    std::printf("%-9s %-9s p50 %7.3f ms  p99 %7.3f ms  max %8.3f ms  end drift %+9.3f ms\n", name,
                where, percentile(sizes, 0.5), percentile(sizes, 0.99), percentile(sizes, 1.0),
                errors.back());
}

// When each of the server's cycles began, as a client without ports sees it (the driver wakes
// it first, with the port's client). A cycle that begins later than a period after the one
// before leaves the events due in that gap late at the receiver, however they are placed.
class CycleStarts {
public:
    explicit CycleStarts(std::size_t capacity)
        : began(capacity), client(jack_client_open("veltrano-cycles", JackNoStartServer, nullptr)) {
        if (client != nullptr)
            jack_set_process_callback(client, &CycleStarts::process, this);
        if (client == nullptr || jack_activate(client) != 0)
            began.clear();
    }
    ~CycleStarts() {
        if (client != nullptr)
            jack_client_close(client);
    }
    // The starts kept so far, in order.
    std::vector<Clock::time_point> starts() const {
        return {began.begin(), began.begin() + static_cast<std::ptrdiff_t>(kept.load())};
    }

private:
    static int process(jack_nframes_t, void* self) {
        auto& cycles = *static_cast<CycleStarts*>(self);
        const std::size_t index = cycles.kept.load(std::memory_order_relaxed);
        if (index < cycles.began.size()) {
            cycles.began[index] = Clock::now();
            cycles.kept.store(index + 1, std::memory_order_release);
        }
        return 0;
    }

    std::vector<Clock::time_point> began;
    std::atomic<std::size_t> kept{0};
    jack_client_t* client;
};

// How much later than a period after the one before the cycle a message arrived in began
// (milliseconds; 0 when no start is known).
double cycleLateness(const std::vector<Clock::time_point>& starts, Clock::time_point stamp,
                     double periodMillis) {
    const auto next = std::upper_bound(starts.begin(), starts.end(), stamp);
    if (next - starts.begin() < 2)
        return 0;
    return millisBetween(*(next - 2), *(next - 1)) - periodMillis;
}

// Whether a message was handed over after the cycle that takes it (the first to begin after
// its moment) began: the sending thread woke up too late.
bool handedTooLate(const std::vector<Clock::time_point>& starts, Clock::time_point moment,
                   Clock::time_point handed) {
    const auto taking = std::upper_bound(starts.begin(), starts.end(), moment);
    return taking != starts.end() && handed > *taking;
}

// The errors at the receiver again, with those the machine made set aside: a message handed
// over too late, or one that arrived in a cycle begun more than `Limit` late.
void printWithoutStalls(const char* name, const std::vector<double>& atReceiver,
                        const std::vector<bool>& handedLate, const std::vector<double>& lateness) {
    constexpr double Limit = 0.25;
    std::vector<double> rest;
    std::size_t lateHandOvers = 0, lateCycles = 0;
    for (std::size_t i = 0; i < atReceiver.size(); ++i) {
        lateHandOvers += handedLate[i];
        lateCycles += !handedLate[i] && lateness[i] > Limit;
        if (!handedLate[i] && lateness[i] <= Limit)
            rest.push_back(std::fabs(atReceiver[i]));
    }
    std::printf("%-9s %zu handed over too late, %zu in cycles begun over %.2f ms late; the other "
                "%zu: p99 %.3f ms  max %.3f ms\n",
                name, lateHandOvers, lateCycles, Limit, rest.size(),
                rest.empty() ? 0.0 : percentile(rest, 0.99),
                rest.empty() ? 0.0 : percentile(rest, 1.0));
}

// The message that arrived for each sent one, or -1 for one lost: an asynchronous server
// drops a cycle's messages when the receiver runs late. Messages arrive in order, so a sent
// one that is not the next to arrive counts as lost.
std::vector<long> matchArrivals(const Run& run, const ZylmidiTrack& track,
                                const std::vector<ReceivedMessage>& got) {
    std::vector<long> arrival;
    std::size_t next = 0;
    Bytes scratch;
    for (const std::size_t index : run.sentEvents) {
        const bool found =
            next < got.size() && got[next].bytes == *wireMessage(track.events[index], scratch);
        arrival.push_back(found ? static_cast<long>(next++) : -1);
    }
    return arrival;
}

void report(const char* name, const Run& run, const ZylmidiTrack& track,
            const std::vector<double>& ideal, const MidiReceiver& receiver, std::size_t before,
            double periodMillis, const std::vector<Clock::time_point>& cycleStarts = {}) {
    const std::size_t sent = run.sentEvents.size();
    receiver.waitFor(before + sent, std::chrono::seconds(10));
    const std::vector<ReceivedMessage> got = receiver.messages(before);
    const std::vector<long> arrival = matchArrivals(run, track, got);
    std::vector<double> atSend, atReceiver, delivery, lateness;
    std::vector<bool> handedLate;
    for (std::size_t i = 0; i < sent; ++i) {
        const auto moment =
            run.start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(ideal[run.sentEvents[i]]));
        atSend.push_back(millisBetween(moment, run.handed[i]));
        if (arrival[i] < 0)
            continue;
        const Clock::time_point stamp = got[static_cast<std::size_t>(arrival[i])].stamp;
        atReceiver.push_back(millisBetween(moment, stamp) - periodMillis);
        delivery.push_back(millisBetween(run.handed[i], stamp));
        lateness.push_back(cycleLateness(cycleStarts, stamp, periodMillis));
        handedLate.push_back(handedTooLate(cycleStarts, moment, run.handed[i]));
    }
    std::printf("%-9s %zu messages, %d failed sends, %zu arrived (%zu of them matched), %zu lost, "
                "%u restarts\n",
                name, sent, run.failures, got.size(), atReceiver.size(), sent - atReceiver.size(),
                run.restarts);
    printErrors(name, "at send", atSend);
    if (atReceiver.empty())
        return;
    printErrors(name, "received", atReceiver);
    // What the port adds on its own: one period of constant latency.
    std::printf("%-9s send to receiver p50 %.3f ms  p99 %.3f ms\n", name, percentile(delivery, 0.5),
                percentile(delivery, 0.99));
    if (!cycleStarts.empty())
        printWithoutStalls(name, atReceiver, handedLate, lateness);
}

double songSeconds(int argc, char** argv) {
    if (argc < 2)
        return DefaultSeconds;
    char* end = nullptr;
    const double seconds = std::strtod(argv[1], &end);
    return (*end == '\0' && seconds >= 1 && seconds <= LongestSeconds) ? seconds : 0;
}

// The measuring floor: how long after a sender's callback began the receiver's callback
// begins in the same cycle. Every stamp at the receiver carries it, so no error can be
// measured below it. A probe client of our own sends its cycle number at frame 0 of each
// cycle and keeps when its callback began.
class HandOverProbe {
public:
    static constexpr uint32_t Cycles = 2000;

    explicit HandOverProbe(const MidiReceiver& receiver)
        : client(jack_client_open("veltrano-probe", JackNoStartServer, nullptr)) {
        if (client == nullptr)
            return;
        port = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client, &HandOverProbe::process, this);
        if (port == nullptr || jack_activate(client) != 0 ||
            jack_connect(client, jack_port_name(port), receiver.portName().c_str()) != 0)
            return;
        const std::size_t before = receiver.count();
        receiver.waitFor(before + Cycles, std::chrono::seconds(60));
        for (const ReceivedMessage& message : receiver.messages(before)) {
            uint32_t cycle = 0;
            if (message.bytes.size() != 7 || message.bytes[1] != 0x7D)
                continue;
            for (int index = 2; index < 6; ++index)
                cycle = cycle << 7 | message.bytes[static_cast<std::size_t>(index)];
            if (cycle < Cycles)
                delays.push_back(millisBetween(began[cycle], message.stamp));
        }
    }
    ~HandOverProbe() {
        if (client != nullptr)
            jack_client_close(client);
    }
    std::vector<double> delays; // milliseconds, one a cycle that arrived

private:
    static int process(jack_nframes_t frames, void* self) {
        auto& probe = *static_cast<HandOverProbe*>(self);
        const auto now = Clock::now();
        void* buffer = jack_port_get_buffer(probe.port, frames);
        jack_midi_clear_buffer(buffer);
        const uint32_t cycle = probe.sent.load(std::memory_order_relaxed);
        if (cycle >= Cycles)
            return 0;
        probe.began[cycle] = now;
        const unsigned char message[7] = {0xF0,
                                          0x7D,
                                          static_cast<unsigned char>(cycle >> 21 & 0x7F),
                                          static_cast<unsigned char>(cycle >> 14 & 0x7F),
                                          static_cast<unsigned char>(cycle >> 7 & 0x7F),
                                          static_cast<unsigned char>(cycle & 0x7F),
                                          0xF7};
        jack_midi_event_write(buffer, 0, message, sizeof message);
        probe.sent.store(cycle + 1, std::memory_order_release);
        return 0;
    }

    jack_client_t* client;
    jack_port_t* port = nullptr;
    std::vector<Clock::time_point> began = std::vector<Clock::time_point>(Cycles);
    std::atomic<uint32_t> sent{0};
};

} // namespace

int main(int argc, char** argv) {
    const double seconds = songSeconds(argc, argv);
    if (seconds == 0) {
        std::fprintf(stderr, "usage: bench_timing [seconds, 1 to %.0f]\n", LongestSeconds);
        return 2;
    }
    TempDir dir;
    ZylmidiFile song;
    if (song.load(dir.write("timing.mid", generatedSong(seconds))) != 0 || song.trackCount() == 0) {
        std::fprintf(stderr, "bench_timing: the generated song does not load\n");
        return 1;
    }
    // The error at the receiver used to grow with the period: each message went at the
    // first frame of a cycle.
    const unsigned period = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 64;
    const double periodMillis = 1000.0 * period / JackServer::SampleRate;
    JackServer server(period, JackServer::Mode::AsUsersRunIt);
    MidiReceiver receiver;
    ZylmidiOut out;
    if (!server.ready() || !receiver.ready() || !openOnReceiver(out, receiver)) {
        std::fprintf(stderr, "bench_timing: no private JACK server, receiver or port\n");
        return 1;
    }
    const ZylmidiTrack& track = song.tracks.front();
    const double secondsPerTick = song.secondsPerTick(ReferenceTempo);
    const std::vector<double> ideal = idealSeconds(track, secondsPerTick);
    std::printf("JACK dummy driver, %u Hz, %u frames per period (%.3f ms, taken off the "
                "errors at the receiver)\n",
                JackServer::SampleRate, period, periodMillis);
    std::printf("load average: %s\n", loadAverages().c_str());
    std::printf("song: %.0f s, division %u, %zu events\n", ideal.back(), Division,
                track.events.size());

    std::size_t before = receiver.count();
    std::vector<Clock::time_point> cycleStarts;
    Run scheduled;
    {
        const CycleStarts cycles(
            static_cast<std::size_t>((seconds + 30) * JackServer::SampleRate / period));
        scheduled = playScheduled(out, track, secondsPerTick);
        receiver.waitFor(before + scheduled.sentEvents.size(), std::chrono::seconds(10));
        cycleStarts = cycles.starts();
    }
    report("schedule", scheduled, track, ideal, receiver, before, periodMillis, cycleStarts);

    before = receiver.count();
    const Run sleeping = playSleeping(out, track, secondsPerTick);
    report("sleeping", sleeping, track, ideal, receiver, before, periodMillis);

    const HandOverProbe probe(receiver);
    if (!probe.delays.empty())
        std::printf("floor     the receiver's callback after a sender's began, over %zu cycles: "
                    "p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
                    probe.delays.size(), percentile(probe.delays, 0.5),
                    percentile(probe.delays, 0.99), percentile(probe.delays, 1.0));
    return 0;
}
