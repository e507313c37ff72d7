#include "PortErrorText.h"

#include "Message.h"

#include "RtMidi.h"

namespace {

// Words shared by opening and sending; "" for numbers without words of their own here.
const char* commonWords(int errorType) {
    switch (errorType) {
    case RtMidiError::UNSPECIFIED:
        return "the MIDI system gave no reason";
    case RtMidiError::NO_DEVICES_FOUND:
        return "the system offers no MIDI output";
    case RtMidiError::INVALID_DEVICE:
        return "the port is not offered any more";
    case RtMidiError::MEMORY_ERROR:
        return "out of memory";
    case RtMidiError::SYSTEM_ERROR:
        return "the system refused";
    case RtMidiError::THREAD_ERROR:
        return "the MIDI system could not start a thread";
    default:
        return "";
    }
}

const char* openWords(int errorType) {
    switch (errorType) {
    case RtMidiError::INVALID_PARAMETER: // no port is listed under the name any more
        return "the port is not offered any more";
    case RtMidiError::INVALID_USE:
        return "the MIDI system refused the request";
    case RtMidiError::DRIVER_ERROR:
        return "the MIDI server is not running or does not answer";
    default:
        return commonWords(errorType);
    }
}

const char* sendWords(int errorType) {
    switch (errorType) {
    case RtMidiError::INVALID_PARAMETER: // the port's buffer can never hold it
        return "the message is too long for the port";
    case RtMidiError::INVALID_USE:
        return "no port is open";
    case RtMidiError::DRIVER_ERROR:
        return "the MIDI server stopped answering";
    default:
        return commonWords(errorType);
    }
}

std::string withWords(std::string text, const char* words) {
    if (*words != '\0')
        text += std::string(": ") + words;
    return text;
}

} // namespace

std::string openFailureText(const std::string& portName, int errorType) {
    return withWords(
        formatText("Cannot open MIDI output %s, error %d", portName.c_str(), errorType),
        openWords(errorType));
}

std::string sendFailureText(const std::string& portName, int errorType) {
    return withWords(
        formatText("Cannot send to MIDI output %s, error %d", portName.c_str(), errorType),
        sendWords(errorType));
}
