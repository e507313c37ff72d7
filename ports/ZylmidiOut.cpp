#include "ZylmidiOut.h"

#include "JackServerWatch.h"
#include "ZylmidiBackend.h"

#include <iostream>
#include <mutex>

namespace {

const char* const ClientName = "RtMidi Output Client";
const char* const PortName = "RtMidi Output";

// The first cycle begun after RtMidi connects or closes may still run the old graph.
constexpr unsigned ConnectionCycles = 2;

const char* const ListError = "RtMidi error ";
const char* const OpenError = "RtMidi instantiation error ";
const char* const SendError = "Send error ";

void writeErrorLine(const char* words, const std::string& libraryMessage) {
    std::cerr << words << libraryMessage << std::endl;
}

// Once a client of this process has seen its server die, libjack (1.9.21) closes and frees
// every client here at the next jack_client_open, so closing one of them again crashes;
// and closing makes RtMidi wait a second for a process cycle that never comes. Such
// clients are left as they are; they stay reachable so that leak checkers do not report
// them.
void abandon(std::unique_ptr<RtMidiOut> client, std::unique_ptr<JackServerWatch> watch) {
    struct Abandoned {
        RtMidiOut* client;
        JackServerWatch* watch;
    };
    static std::mutex guard; // ports of different objects may close on different threads
    static auto* abandoned = new std::vector<Abandoned>;
    const std::lock_guard<std::mutex> lock(guard);
    abandoned->push_back({client.release(), watch.release()});
}

uint16_t noteKey(unsigned channel, unsigned note) {
    return static_cast<uint16_t>((channel & 0x0F) << 8 | (note & 0xFF));
}

} // namespace

ZylmidiOut::ZylmidiOut() = default;

ZylmidiOut::~ZylmidiOut() {
    close();
}

std::vector<std::string> ZylmidiOut::portNames() {
    std::vector<std::string> names;
    try {
        std::unique_ptr<RtMidiOut> lister = createOutputClient(ClientName);
        const unsigned count = lister->getPortCount();
        for (unsigned number = 0; number < count; ++number)
            names.push_back(lister->getPortName(number));
    } catch (const RtMidiError& error) {
        writeErrorLine(ListError, error.getMessage());
    }
    return names;
}

int ZylmidiOut::open(unsigned portNumber) {
    close();
    try {
        port = createOutputClient(ClientName);
        refuseBeyondList(portNumber);
        if (port->getCurrentApi() == RtMidi::UNIX_JACK) {
            serverWatch = std::make_unique<JackServerWatch>();
            if (!serverWatch->connected())
                throw RtMidiError("ZylmidiOut::open: no JACK server to watch.",
                                  RtMidiError::DRIVER_ERROR);
        }
        port->openPort(portNumber, PortName);
        if (serverWatch)
            serverWatch->waitForCycles(ConnectionCycles);
        return 0;
    } catch (const RtMidiError& error) {
        writeErrorLine(OpenError, error.getMessage());
        close();
        return error.getType();
    }
}

// Some back ends (JACK) only warn about a number beyond their list and leave an
// unconnected port, which would swallow every message without a word.
void ZylmidiOut::refuseBeyondList(unsigned portNumber) {
    const unsigned count = port->getPortCount();
    if (portNumber < count)
        return;
    throw RtMidiError("ZylmidiOut::open: port number " + std::to_string(portNumber) +
                          " is beyond the " + std::to_string(count) + " output ports.",
                      RtMidiError::INVALID_PARAMETER);
}

void ZylmidiOut::close() {
    if (serverWatch && serverWatch->serverGone()) {
        abandon(std::move(port), std::move(serverWatch));
        return;
    }
    if (serverWatch)
        settleJackPort();
    port.reset();
    serverWatch.reset();
}

// RtMidi 5.0 frees its JACK buffer while its process callback may still be reading it.
// Once the port is closed, callbacks that begin leave the buffer alone; the one that may
// be running ends before the next cycles begin.
void ZylmidiOut::settleJackPort() {
    port->closePort();
    serverWatch->waitForCycles(ConnectionCycles);
}

int ZylmidiOut::send(const Message& message) {
    if (!port)
        return RtMidiError::INVALID_USE;
    if (message.empty())
        return RtMidiError::INVALID_PARAMETER;
    if (const int failed = sendToClient(message))
        return failed;
    trackNote(message);
    return 0;
}

int ZylmidiOut::sendToClient(const Message& message) {
    if (serverWatch && serverWatch->serverGone()) {
        writeErrorLine(SendError, "ZylmidiOut::send: the JACK server is gone (" +
                                      serverWatch->reason() + ").");
        return RtMidiError::DRIVER_ERROR;
    }
    try {
        port->sendMessage(&message);
    } catch (const RtMidiError& error) {
        writeErrorLine(SendError, error.getMessage());
        return error.getType();
    }
    return 0;
}

void ZylmidiOut::trackNote(const Message& message) {
    const unsigned kind = message[0] & 0xF0;
    if ((kind != 0x80 && kind != 0x90) || message.size() < 3)
        return;
    noteState[noteKey(message[0], message[1])] = kind == 0x90 && message[2] != 0;
}

void ZylmidiOut::allNotesOff() {
    for (const auto& [key, sounding] : noteState) {
        if (!sounding)
            continue;
        const auto channel = static_cast<unsigned char>(key >> 8);
        const auto note = static_cast<unsigned char>(key & 0xFF);
        send({static_cast<unsigned char>(0x80 | channel), note, 0x7F});
    }
}

std::string ZylmidiOut::portName(unsigned portNumber) {
    return port ? port->getPortName(portNumber) : std::string();
}

void ZylmidiOut::programChange(unsigned program, unsigned channel) {
    if (program > 127 || channel > 15)
        return;
    send({static_cast<unsigned char>(0xC0 | channel), static_cast<unsigned char>(program)});
}

void ZylmidiOut::setVolume(unsigned value, uint16_t channelMask) {
    if (value > 127)
        return;
    for (unsigned channel = 0; channel < 16; ++channel) {
        if (channelMask & (1u << channel))
            send(
                {static_cast<unsigned char>(0xB0 | channel), 7, static_cast<unsigned char>(value)});
    }
}
