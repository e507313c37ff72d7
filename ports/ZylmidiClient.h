#pragma once

#include "JackServerWatch.h"

#include "RtMidi.h"

#include <chrono>
#include <memory>
#include <string>

// Opening and closing RtMidi output clients without holding the caller: on a stopped JACK
// server libjack's calls wait for as long as the server does, and closing on a server
// that runs no cycles makes RtMidi wait a second of its own.

// The longest that opening (a close included) or closing holds the calling thread.
inline constexpr std::chrono::milliseconds ClientCallLimit{500};

// An output client with its port open, and its server's watch on JACK; or the RtMidiError
// type and message of the failure, with no client.
struct OpenedClient {
    std::unique_ptr<RtMidiOut> client;
    std::unique_ptr<JackServerWatch> watch;
    int error = 0;
    std::string message;
};

// Opens an output client named `clientName` with its port `portName` connected to port
// number `portNumber`. False when that took longer than `limit`: the opening goes on
// alone and what it opens is left open.
bool openClientWithin(const std::string& clientName, const std::string& portName,
                      unsigned portNumber, std::chrono::milliseconds limit, OpenedClient& opened);

// Closes the client within about 200 ms, RtMidi's own calls aside; a
// client whose server is gone or runs no cycle is left as it is instead (and a line on
// standard error says so for the latter).
void closeClient(std::unique_ptr<RtMidiOut> client, std::unique_ptr<JackServerWatch> watch);
