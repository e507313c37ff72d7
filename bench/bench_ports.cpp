// Cost of ZylmidiOut::send through a real JACK port, the longest send of a long burst,
// and the drift of ZylmidiOut::play against its ideal schedule, judged by the receiver's
// steady-clock stamps. Starts its own private JACK server and receiver.
#include "BenchFigures.h"
#include "BenchPort.h"
#include "JackServer.h"
#include "MidiReceiver.h"
#include "ZylmidiFile.h"
#include "ZylmidiOut.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SendBatches = 400;
// Far less than a cycle's port buffer takes, so the batch measures sending alone.
constexpr int MessagesPerBatch = 256;
// Far more than a cycle's port buffer takes: the port's ring holds them, and no send waits.
constexpr int BurstMessages = 100000;
constexpr int PlayEvents = 2000;
constexpr uint32_t PlayDelta = 5;
constexpr uint16_t PlayDivision = 480;
constexpr unsigned PeriodFrames = 64;
// The constant latency that the port adds by design.
constexpr double PeriodMicros = PeriodFrames * 1e6 / JackServer::SampleRate;

double threadCpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double microsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// Releases what the send figures left sounding and waits until the releases arrive, so
// that they are not taken for played events.
void releaseNotes(ZylmidiOut& out, const MidiReceiver& receiver) {
    const auto sounding =
        static_cast<std::size_t>(std::count_if(out.noteState.begin(), out.noteState.end(),
                                               [](const auto& entry) { return entry.second; }));
    const std::size_t before = receiver.count();
    out.allNotesOff();
    receiver.waitFor(before + sounding);
}

void benchSend(ZylmidiOut& out, const MidiReceiver& receiver) {
    std::vector<double> perMessage;
    const std::size_t before = receiver.count();
    int failures = 0;
    for (int batch = 0; batch < SendBatches; ++batch) {
        const auto start = Clock::now();
        for (int index = 0; index < MessagesPerBatch; ++index) {
            const auto note = static_cast<unsigned char>(index % 128);
            failures += out.send({0x90, note, 0x40}) != 0;
        }
        perMessage.push_back(microsBetween(start, Clock::now()) / MessagesPerBatch);
        receiver.waitFor(before + static_cast<std::size_t>(batch + 1) * MessagesPerBatch,
                         std::chrono::milliseconds(200));
    }
    const std::size_t sent = static_cast<std::size_t>(SendBatches) * MessagesPerBatch;
    double total = 0;
    for (double value : perMessage)
        total += value;
    std::printf("send: %zu 3-byte messages in batches of %d\n", sent, MessagesPerBatch);
    std::printf("send: mean %.3f us/message, batch median %.3f, p99 %.3f, worst %.3f\n",
                total / SendBatches, percentile(perMessage, 0.5), percentile(perMessage, 0.99),
                percentile(perMessage, 1.0));
    std::printf("send: %d failed, %zu of %zu arrived, %zu dropped by the receiver\n", failures,
                receiver.count() - before, sent, receiver.dropped());
    releaseNotes(out, receiver);
}

// Back-to-back sends: how long the longest one holds the caller, and that none is lost
// while the server drains them over many cycles.
void benchBurst(ZylmidiOut& out, const MidiReceiver& receiver) {
    const std::size_t before = receiver.count();
    double longest = 0, longestOnCpu = 0;
    int failures = 0, overMilli = 0;
    const auto start = Clock::now();
    for (int index = 0; index < BurstMessages; ++index) {
        const auto note = static_cast<unsigned char>(index % 128);
        const auto sendStart = Clock::now();
        const double cpuStart = threadCpuMicros();
        failures += out.send({0x80, note, 0x40}) != 0;
        const double took = microsBetween(sendStart, Clock::now());
        overMilli += took > 1000;
        if (took > longest)
            longest = took, longestOnCpu = threadCpuMicros() - cpuStart;
    }
    const double total = microsBetween(start, Clock::now());
    receiver.waitFor(before + BurstMessages);
    std::printf("burst: %d 3-byte messages back to back in %.1f ms, mean %.3f us/message\n",
                BurstMessages, total / 1000, total / BurstMessages);
    // A send that took long on the wall clock but not on the thread's own was preempted.
    std::printf("burst: longest single send %.1f us (%.1f us of it on the CPU), %d over 1 ms; "
                "%d failed, %zu arrived, %zu dropped by the receiver\n",
                longest, longestOnCpu, overMilli, failures, receiver.count() - before,
                receiver.dropped());
}

ZylmidiTrack generatedTrack() {
    ZylmidiTrack track;
    for (int index = 0; index < PlayEvents; ++index) {
        const auto note = static_cast<unsigned char>(60 + index / 2 % 12);
        const auto status = static_cast<unsigned char>(index % 2 == 0 ? 0x90 : 0x80);
        track.events.push_back({PlayDelta, {status, note, 0x50}});
    }
    return track;
}

void benchPlay(ZylmidiOut& out, const MidiReceiver& receiver) {
    ZylmidiFile song;
    song.division = PlayDivision;
    const double secondsPerTick = song.secondsPerTick(ReferenceTempo);
    const ZylmidiTrack track = generatedTrack();

    std::vector<Clock::time_point> handed(track.events.size());
    const std::size_t before = receiver.count();
    const auto start = Clock::now();
    const int result =
        out.play(track, secondsPerTick, {},
                 [&](unsigned index, const ZylmidiTrack&) { handed[index] = Clock::now(); });
    receiver.waitFor(before + track.events.size());
    const std::vector<ReceivedMessage> got = receiver.messages(before);

    // Not truncated: the schedule keeps the fraction of a microsecond, 0.67 ms over the track.
    const double waitMicros = PlayDelta * 1000000.0 * secondsPerTick;
    const double idealEnd = waitMicros * PlayEvents;
    std::printf("play: %d events at %u-tick deltas, division %u: %.3f us per wait, ideal %.3f s\n",
                PlayEvents, PlayDelta, PlayDivision, waitMicros, idealEnd / 1e6);
    std::printf("play: result %d, %zu of %d arrived\n", result, got.size(), PlayEvents);
    // The end drift needs only the last message: one lost before it (an asynchronous server
    // drops a cycle's messages when the receiver runs late) leaves it standing.
    if (got.empty() || got.back().bytes != track.events.back().data)
        return;
    const double arrivedEnd = microsBetween(start, got.back().stamp) - PeriodMicros;
    const double handedEnd = microsBetween(start, handed.back());
    std::printf("play: end-of-track drift at the receiver, less one period, %.3f ms (%.3f%% of "
                "the track)\n",
                (arrivedEnd - idealEnd) / 1000, 100 * (arrivedEnd - idealEnd) / idealEnd);
    std::printf("play: end-of-track drift when handed to send %.3f ms, %.1f us per event\n",
                (handedEnd - idealEnd) / 1000, (handedEnd - idealEnd) / PlayEvents);
    if (got.size() != track.events.size())
        return;
    std::vector<double> delivery;
    for (std::size_t index = 0; index < got.size(); ++index)
        delivery.push_back(microsBetween(handed[index], got[index].stamp));
    std::printf("play: send to receiver median %.1f us, p99 %.1f us\n", percentile(delivery, 0.5),
                percentile(delivery, 0.99));
}

} // namespace

int main() {
    JackServer server(PeriodFrames, JackServer::Mode::AsUsersRunIt);
    MidiReceiver receiver;
    ZylmidiOut out;
    if (!server.ready() || !receiver.ready() || !openOnReceiver(out, receiver)) {
        std::fprintf(stderr, "bench_ports: no private JACK server, receiver or port\n");
        return 1;
    }
    std::printf("JACK dummy driver, %u Hz, %u frames per period; load average %s\n",
                JackServer::SampleRate, PeriodFrames, loadAverages().c_str());
    benchSend(out, receiver);
    benchBurst(out, receiver);
    benchPlay(out, receiver);
    return 0;
}
