#pragma once

#include "ZylmidiOutput.h"

#include "RtMidi.h"

#include <memory>
#include <string>
#include <vector>

// An output port through RtMidi: the ALSA sequencer (asked only where the machine has one:
// elsewhere it would only print its failure) and whatever else RtMidi offers, JACK aside
// (the port has a JACK back end of its own).
class RtMidiOutput : public ZylmidiOutput {
public:
    // The ports that RtMidi's first working back end lists; failures go to `why`.
    static std::vector<std::string> portNames(const std::string& clientName, std::string& why);
    // Opens port `portNumber` of that list as `portName`: 0 with the port in `opened`, or the
    // RtMidiError type number with the reason in `why`.
    static int open(const std::string& clientName, const std::string& portName, unsigned portNumber,
                    std::unique_ptr<ZylmidiOutput>& opened, std::string& why);

    int send(const Message& message, Moment due, std::string& why) override;

private:
    explicit RtMidiOutput(std::unique_ptr<RtMidiOut> client) : client(std::move(client)) {}

    std::unique_ptr<RtMidiOut> client;
};
