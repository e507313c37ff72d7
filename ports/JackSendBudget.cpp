#include "JackSendBudget.h"

#include <thread>

namespace {

constexpr std::size_t BufferBytes = 16383;
constexpr std::size_t LengthBytes = sizeof(int);

} // namespace

int JackSendBudget::reserve(std::size_t messageSize, JackServerWatch& watch) {
    if (messageSize > LongestMessage)
        return TooLong;
    const std::size_t needed = messageSize + LengthBytes;
    for (;;) {
        if (!alive(watch))
            return ServerGone;
        const uint64_t cycle = watch.cycles();
        if (queuedAt(cycle) + needed <= BufferBytes) {
            Handed& slot = recent[cycle % CyclesToDrain];
            if (slot.cycle != cycle)
                slot = {cycle, 0};
            slot.bytes += needed;
            return Granted;
        }
        if (!waitForCycle(watch, cycle))
            return ServerGone;
    }
}

// What may still sit in RtMidi's buffer when the watch has seen `cycle` cycles.
std::size_t JackSendBudget::queuedAt(uint64_t cycle) const {
    std::size_t queued = 0;
    for (const Handed& handed : recent) {
        if (handed.cycle + CyclesToDrain > cycle)
            queued += handed.bytes;
    }
    return queued;
}

bool JackSendBudget::waitForCycle(JackServerWatch& watch, uint64_t seen) {
    while (watch.cycles() == seen) {
        if (!alive(watch))
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

bool JackSendBudget::alive(JackServerWatch& watch) {
    if (!watch.serverGone() && watch.stalledFor(StallLimit))
        watch.giveUp("no process cycle for 1 s");
    return !watch.serverGone();
}
