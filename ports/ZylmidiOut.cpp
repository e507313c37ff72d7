#include "ZylmidiOut.h"

#include "UnseenByThreadSanitizer.h"
#include "ZylmidiBackend.h"
#include "ZylmidiClient.h"

#include <chrono>
#include <iostream>

namespace {

const char* const ClientName = "RtMidi Output Client";
const char* const PortName = "RtMidi Output";

const char* const ListError = "RtMidi error ";
const char* const OpenError = "RtMidi instantiation error ";
const char* const SendError = "Send error ";

constexpr unsigned SustainController = 64;

void writeErrorLine(const char* words, const std::string& libraryMessage) {
    std::cerr << words << libraryMessage << std::endl;
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
    const auto deadline = std::chrono::steady_clock::now() + ClientCallLimit;
    close();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    OpenedClient opened;
    if (!openClientWithin(ClientName, PortName, portNumber, left, opened)) {
        writeErrorLine(OpenError, "ZylmidiOut::open: the MIDI system did not answer within " +
                                      std::to_string(ClientCallLimit.count()) +
                                      " ms; gave up opening port " + std::to_string(portNumber) +
                                      ".");
        return RtMidiError::DRIVER_ERROR;
    }
    if (opened.error != 0) {
        writeErrorLine(OpenError, opened.message);
        return opened.error;
    }
    port = std::move(opened.client);
    serverWatch = std::move(opened.watch);
    sendBudget = JackSendBudget();
    return 0;
}

int ZylmidiOut::open(const std::string& portName) {
    const std::vector<std::string> names = portNames();
    for (unsigned number = 0; number < names.size(); ++number)
        if (names[number] == portName)
            return open(number);
    close();
    writeErrorLine(OpenError, "ZylmidiOut::open: no output port is named \"" + portName + "\".");
    return RtMidiError::INVALID_PARAMETER;
}

void ZylmidiOut::close() {
    closeClient(std::move(port), std::move(serverWatch));
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
    if (serverWatch) {
        if (const int refused = reserveJackRoom(message.size()))
            return refused;
    }
    try {
        const UnseenByThreadSanitizer libjackRingBuffer;
        port->sendMessage(&message);
    } catch (const RtMidiError& error) {
        writeErrorLine(SendError, error.getMessage());
        return error.getType();
    }
    return 0;
}

int ZylmidiOut::reserveJackRoom(std::size_t messageSize) {
    switch (sendBudget.reserve(messageSize, *serverWatch)) {
    case JackSendBudget::Granted:
        return 0;
    case JackSendBudget::TooLong:
        writeErrorLine(SendError, "ZylmidiOut::send: a message of " + std::to_string(messageSize) +
                                      " bytes is longer than the " +
                                      std::to_string(JackSendBudget::LongestMessage) +
                                      " that RtMidi's JACK output takes.");
        return RtMidiError::INVALID_PARAMETER;
    default:
        writeErrorLine(SendError, "ZylmidiOut::send: the JACK server is gone (" +
                                      serverWatch->reason() + ").");
        return RtMidiError::DRIVER_ERROR;
    }
}

void ZylmidiOut::trackNote(const Message& message) {
    const unsigned kind = message[0] & 0xF0;
    if (message.size() < 3)
        return;
    if (kind == 0x80 || kind == 0x90)
        noteState[noteKey(message[0], message[1])] = kind == 0x90 && message[2] != 0;
    if (kind == 0xB0 && message[1] == SustainController) {
        const auto bit = static_cast<uint16_t>(1u << (message[0] & 0x0F));
        pedalsDown = static_cast<uint16_t>(message[2] >= 64 ? pedalsDown | bit : pedalsDown & ~bit);
    }
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

void ZylmidiOut::releaseSounding() {
    allNotesOff();
    for (unsigned channel = 0; channel < 16; ++channel) {
        if (pedalsDown & (1u << channel))
            send({static_cast<unsigned char>(0xB0 | channel), SustainController, 0});
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
