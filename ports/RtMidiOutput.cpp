#include "RtMidiOutput.h"

#include <unistd.h>

namespace {

const char* const SequencerDevice = "/dev/snd/seq";

// The back ends to ask, in RtMidi's order.
std::vector<RtMidi::Api> candidateApis() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    const bool sequencerPresent = access(SequencerDevice, F_OK) == 0;
    std::vector<RtMidi::Api> candidates;
    for (RtMidi::Api api : compiled) {
        // The dummy back end only stands in where nothing else was compiled.
        const bool ownOrDummy = api == RtMidi::UNIX_JACK || api == RtMidi::RTMIDI_DUMMY;
        if (!ownOrDummy && (api != RtMidi::LINUX_ALSA || sequencerPresent))
            candidates.push_back(api);
    }
    return candidates;
}

// A client on the first of the back ends that works; listing and opening both come here, so
// port numbers mean the same port. Null when no back end is left to ask; throws the last
// back end's RtMidiError when none can be created.
std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName) {
    const std::vector<RtMidi::Api> candidates = candidateApis();
    for (std::size_t index = 0; index < candidates.size(); ++index) {
        try {
            return std::make_unique<RtMidiOut>(candidates[index], clientName);
        } catch (const RtMidiError&) {
            if (index + 1 == candidates.size())
                throw;
        }
    }
    return nullptr;
}

} // namespace

std::vector<std::string> RtMidiOutput::portNames(const std::string& clientName, std::string& why) {
    std::vector<std::string> names;
    try {
        std::unique_ptr<RtMidiOut> lister = createOutputClient(clientName);
        const unsigned count = lister ? lister->getPortCount() : 0;
        for (unsigned number = 0; number < count; ++number)
            names.push_back(lister->getPortName(number));
    } catch (const RtMidiError& error) {
        why = error.getMessage();
    }
    return names;
}

int RtMidiOutput::open(const std::string& clientName, const std::string& portName,
                       unsigned portNumber, std::unique_ptr<ZylmidiOutput>& opened,
                       std::string& why) {
    try {
        std::unique_ptr<RtMidiOut> client = createOutputClient(clientName);
        // Some back ends only warn about a number beyond their list and leave an unconnected
        // port, which would swallow every message without a word.
        const unsigned count = client ? client->getPortCount() : 0;
        if (portNumber >= count)
            throw RtMidiError("ZylmidiOut::open: port number " + std::to_string(portNumber) +
                                  " is beyond the " + std::to_string(count) + " output ports.",
                              RtMidiError::INVALID_PARAMETER);
        client->openPort(portNumber, portName);
        opened.reset(new RtMidiOutput(std::move(client)));
        return 0;
    } catch (const RtMidiError& error) {
        why = error.getMessage();
        return error.getType();
    }
}

int RtMidiOutput::send(const Message& message, Moment, std::string& why) {
    try {
        client->sendMessage(&message);
        return 0;
    } catch (const RtMidiError& error) {
        why = error.getMessage();
        return error.getType();
    }
}
