#pragma once

#include <jack/jack.h>

#include <chrono>
#include <string>
#include <vector>

// The MIDI input ports of the JACK server that JACK_DEFAULT_SERVER names (else the default),
// asked through a short-lived client named `clientName`, within ClientCallLimit. None, and
// nothing in `why`, when no server runs; none, with the reason in `why`, when the server
// did not answer in time. The length of the server's cycle goes to `period` (zero without
// an answer).
std::vector<std::string> jackInputPorts(const std::string& clientName, std::string& why,
                                        std::chrono::steady_clock::duration* period = nullptr);

// How long one cycle of `client`'s server lasts.
std::chrono::steady_clock::duration jackCycleLength(jack_client_t* client);
