#pragma once

#include <string>

// The player's texts for a port that failed, with what the RtMidiError type number means
// in words after the number: "Cannot open MIDI output %s, error %d: ...".
std::string openFailureText(const std::string& portName, int errorType);
// "Cannot send to MIDI output %s, error %d: ...".
std::string sendFailureText(const std::string& portName, int errorType);
