#include "RtMidiOutput.h"

#include "ZylmidiBackend.h"

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

int RtMidiOutput::send(const Message& message, std::string& why) {
    try {
        client->sendMessage(&message);
        return 0;
    } catch (const RtMidiError& error) {
        why = error.getMessage();
        return error.getType();
    }
}
