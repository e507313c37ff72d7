#pragma once

#include "JackServerWatch.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Keeps RtMidi's JACK send from ever blocking. RtMidi 5.0 queues each message, behind a
// 4-byte length, in a ring buffer of 16383 bytes that only its process callback empties,
// once a cycle; a send that finds too little room spins until there is, for ever if the
// server has stopped. So the bytes handed over are counted against the cycles that the
// watch has seen, and a send that could fill the buffer first waits for the next cycle,
// a bounded wait.
class JackSendBudget {
public:
    // The longest message that RtMidi's JACK buffer takes; a longer one it drops unsent.
    static constexpr std::size_t LongestMessage = 16383 - sizeof(int);
    // A server that runs no cycle for this long counts as gone.
    static constexpr auto StallLimit = std::chrono::seconds(1);

    static constexpr int Granted = 0;
    static constexpr int TooLong = 1;
    static constexpr int ServerGone = 2;

    // Granted once `messageSize` bytes surely fit in RtMidi's buffer, and counts them as
    // handed over; TooLong for a message that never fits; ServerGone when the server is
    // gone or runs no cycle within StallLimit (the watch then counts it as gone).
    int reserve(std::size_t messageSize, JackServerWatch& watch);

private:
    // A cycle that begins after a message was handed over may have run RtMidi's callback
    // before it; the one after that begins after the message, and the one after that
    // begins once that callback is done.
    static constexpr uint64_t CyclesToDrain = 3;

    std::size_t queuedAt(uint64_t cycle) const;
    bool waitForCycle(JackServerWatch& watch, uint64_t seen);
    static bool alive(JackServerWatch& watch);

    // Bytes handed over while the watch had seen `cycle` cycles, for the latest cycles.
    struct Handed {
        uint64_t cycle = 0;
        std::size_t bytes = 0;
    };
    std::array<Handed, CyclesToDrain> recent{};
};
