#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

// One open output port on one MIDI back end, as ZylmidiOut drives it. Each back end is a
// class of its own, chosen when the port is opened.
class ZylmidiOutput {
public:
    using Message = std::vector<unsigned char>;
    using Moment = std::chrono::steady_clock::time_point;

    virtual ~ZylmidiOutput() = default;

    // Hands one complete message, which belongs to moment `due` (the epoch: now), to the
    // port: 0, or the RtMidiError type number with the reason in `why`. Never blocks for
    // long. A port that cannot place a message in time sends it at once.
    virtual int send(const Message& message, Moment due, std::string& why) = 0;
    // True while the port has lost its connection to the chosen device; safe from any thread.
    virtual bool connectionLost() const { return false; }
    // True while a message sent now would still go out.
    virtual bool working() const { return true; }
    // Closes the port: true when the object may be deleted now, false when it must be left
    // as it is for good (its system may still call it).
    virtual bool close() { return true; }
};

// Closes `port` and deletes it, or, when it cannot be closed safely, leaves it as it is for
// good.
void closeOutput(std::unique_ptr<ZylmidiOutput> port);
