#pragma once

#include "InterruptibleSleep.h"
#include "ZylmidiEvent.h"
#include "ZylmidiOutput.h"

#include "RtMidi.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Result of `play` when the stop predicate ended it.
inline constexpr int PlayStopped = 1;

// How early playback hands the port a message that carries its moment (the JACK port places
// it at that moment's frame): more than an ordinary thread wakes late here (about 1 ms at
// p99), and far within the 100 ms ahead beyond which the JACK port takes a moment for no
// schedule's and sends at once. Elsewhere the whole song moves that much earlier, the
// spacing unchanged.
inline constexpr std::chrono::milliseconds SendAhead{2};

// The one connection to a MIDI output device: on JACK through a client of its own, on every
// other system through RtMidi. Library errors never leave as exceptions: each is written to
// standard error as one line and its RtMidiError type number is returned. Calls on one
// object must not overlap (connectionLost aside); the caller sees to that.
class ZylmidiOut {
public:
    using Message = std::vector<unsigned char>;
    using Observer = std::function<void(unsigned index, const ZylmidiTrack& track)>;

    ZylmidiOut();
    ~ZylmidiOut();
    ZylmidiOut(const ZylmidiOut&) = delete;
    ZylmidiOut& operator=(const ZylmidiOut&) = delete;

    // Names of all output ports, RtMidi's first, then JACK's; the index of a name is the
    // number that `open` takes. Answers within 0.5 s: a JACK server that does not answer in
    // time has none of its ports listed, and a line on standard error says so.
    static std::vector<std::string> portNames();

    // 0, or the RtMidiError type number; a failed open leaves the port closed.
    int open(unsigned portNumber);
    // Opens the port listed now under exactly `portName`: numbers shift as ports come and
    // go, a name does not. INVALID_PARAMETER, with a line on standard error, when no port
    // of that name is listed.
    int open(const std::string& portName);
    bool isOpen() const { return output != nullptr; }
    // Releases what still sounds (notes and pedals) while the port still works, then closes.
    void close();
    // True while the open port has lost its connection (the device or program went away);
    // it comes back by itself when a port of the same name appears. Safe from any thread
    // while no other thread opens or closes.
    bool connectionLost() const { return output && output->connectionLost(); }

    // Sends one complete message unchanged and tracks which notes it leaves sounding and
    // which channels' sustain pedals (controller 64) it leaves down. Never blocks: on JACK
    // it fails at once when the server is gone, has run no cycle for a second, or falls so
    // far behind that no room is left. `due` is the moment the message belongs to (a
    // schedule's ideal moment; the default: now): on JACK it goes at that moment's frame,
    // one period later, so a wake-up up to a period late does not show; one more than
    // 100 ms ahead goes now. 0, or the RtMidiError type number (INVALID_USE while no port is open).
    int send(const Message& message, ZylmidiOutput::Moment due = {});
    // Releases every sounding note with a Note Off of velocity 127, in key order.
    void allNotesOff();
    // allNotesOff, then lifts every sustain pedal left down (Bn 40 00), in channel order.
    void releaseSounding();

    // The client's name for port `portNumber`, or "" while no port is open.
    std::string portName(unsigned portNumber);
    void programChange(unsigned program, unsigned channel);
    // Channel volume (controller 7) on every channel whose bit is set in `channelMask`.
    void setVolume(unsigned value, uint16_t channelMask);

    // Sends the track's events at their delta times: 0 when all were sent, PlayStopped
    // when `stop` ended it (the sounding notes are then released), else the first
    // non-zero result of `send`.
    int play(const ZylmidiTrack& track, double secondsPerTick, std::function<bool()> stop,
             Observer observer, const Sleeper& sleep = {});

    // Channel in the high byte, note in the low byte; true while the note sounds.
    std::map<uint16_t, bool> noteState;

private:
    // The ports as listed for an open, RtMidi's first and JACK's from `fromJack` on, and the
    // moment by which the open must be done.
    struct Listed {
        std::vector<std::string> names;
        std::size_t fromJack = 0;
        std::chrono::steady_clock::time_point deadline;
    };
    // Closes the port, then lists the ports as they are now.
    Listed closeAndList();
    // Opens number `portNumber` of `listed`.
    int openListed(const Listed& listed, unsigned portNumber);
    void trackNote(const Message& message);

    // The open port; null while closed. Its connectionLost may be asked from any thread.
    std::unique_ptr<ZylmidiOutput> output;
    // Bit n set while channel n's sustain pedal is down.
    uint16_t pedalsDown = 0;
};
