#include "ZylmidiOut.h"

#include "CallWithin.h"
#include "JackMidiOutput.h"
#include "JackPortList.h"
#include "RtMidiOutput.h"
#include "ZylmidiWire.h"

#include <chrono>
#include <iostream>

namespace {

const char* const ClientName = "RtMidi Output Client";
const char* const PortName = "RtMidi Output";

const char* const ListError = "RtMidi error ";
const char* const OpenError = "RtMidi instantiation error ";
const char* const SendError = "Send error ";

// Opening a JACK port waits for a few of the server's cycles (to activate, to connect, for
// the connection to take): at a long period (PipeWire goes up to 8192 frames) that takes
// longer than the server's answer does.
constexpr int OpeningCycles = 5;

void writeErrorLine(const char* words, const std::string& libraryMessage) {
    std::cerr << words << libraryMessage << std::endl;
}

uint16_t noteKey(unsigned channel, unsigned note) {
    return static_cast<uint16_t>((channel & 0x0F) << 8 | (note & 0xFF));
}

// RtMidi's ports, then JACK's from number `fromJack` on; failures are written as they come.
// The JACK server's cycle goes to `jackPeriod`.
std::vector<std::string> listPorts(std::size_t& fromJack,
                                   std::chrono::steady_clock::duration* jackPeriod = nullptr) {
    std::string why;
    std::vector<std::string> names = RtMidiOutput::portNames(ClientName, why);
    if (!why.empty())
        writeErrorLine(ListError, why);
    fromJack = names.size();
    why.clear();
    const std::vector<std::string> jack = jackInputPorts(ClientName, why, jackPeriod);
    if (!why.empty())
        writeErrorLine(ListError, why);
    names.insert(names.end(), jack.begin(), jack.end());
    return names;
}

} // namespace

ZylmidiOut::ZylmidiOut() = default;

ZylmidiOut::~ZylmidiOut() {
    close();
}

std::vector<std::string> ZylmidiOut::portNames() {
    std::size_t fromJack = 0;
    return listPorts(fromJack);
}

// The open's time counts once the old port is closed (a close has a limit of its own, and at
// a long period takes several cycles): the server has half a second to answer, and a few of
// its cycles more to run the new connection.
ZylmidiOut::Listed ZylmidiOut::closeAndList() {
    close();
    const auto start = std::chrono::steady_clock::now();
    Listed listed;
    std::chrono::steady_clock::duration jackPeriod{};
    listed.names = listPorts(listed.fromJack, &jackPeriod);
    listed.deadline = start + ClientCallLimit + OpeningCycles * jackPeriod;
    return listed;
}

int ZylmidiOut::open(unsigned portNumber) {
    return openListed(closeAndList(), portNumber);
}

int ZylmidiOut::open(const std::string& portName) {
    const Listed listed = closeAndList();
    for (unsigned number = 0; number < listed.names.size(); ++number)
        if (listed.names[number] == portName)
            return openListed(listed, number);
    writeErrorLine(OpenError, "ZylmidiOut::open: no output port is named \"" + portName + "\".");
    return RtMidiError::INVALID_PARAMETER;
}

int ZylmidiOut::openListed(const Listed& listed, unsigned portNumber) {
    std::string why;
    int failed = 0;
    if (portNumber < listed.fromJack)
        failed = RtMidiOutput::open(ClientName, PortName, portNumber, output, why);
    else if (portNumber < listed.names.size())
        failed =
            JackMidiOutput::open(ClientName, PortName, listed.names[portNumber],
                                 listed.deadline - std::chrono::steady_clock::now(), output, why);
    else {
        failed = RtMidiError::INVALID_PARAMETER;
        why = "ZylmidiOut::open: port number " + std::to_string(portNumber) + " is beyond the " +
              std::to_string(listed.names.size()) + " output ports.";
    }
    if (failed != 0)
        writeErrorLine(OpenError, why);
    return failed;
}

void ZylmidiOut::close() {
    if (output && output->working())
        releaseSounding();
    closeOutput(std::move(output));
}

int ZylmidiOut::send(const Message& message, ZylmidiOutput::Moment due) {
    if (!output)
        return RtMidiError::INVALID_USE;
    if (message.empty())
        return RtMidiError::INVALID_PARAMETER;
    std::string why;
    if (const int failed = output->send(message, due, why)) {
        writeErrorLine(SendError, why);
        return failed;
    }
    trackNote(message);
    return 0;
}

void ZylmidiOut::trackNote(const Message& message) {
    const unsigned kind = message[0] & 0xF0;
    if (message.size() < 3)
        return;
    if (kind == 0x80 || kind == 0x90)
        noteState[noteKey(message[0], message[1])] = kind == 0x90 && message[2] != 0;
    if (kind == 0xB0 && message[1] == SustainController) {
        const auto bit = static_cast<uint16_t>(1u << (message[0] & 0x0F));
        pedalsDown = static_cast<uint16_t>(message[2] >= SustainHeldFrom ? pedalsDown | bit
                                                                         : pedalsDown & ~bit);
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
    if (!output)
        return {};
    const std::vector<std::string> names = portNames();
    return portNumber < names.size() ? names[portNumber] : std::string();
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
