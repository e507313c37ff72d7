#pragma once

#include "RtMidi.h"

#include <memory>
#include <string>

// Creates an RtMidi output client named `clientName` on the first of RtMidi's back ends that
// works, JACK left out (the port has a JACK back end of its own). The ALSA sequencer is asked
// only where the machine has one (elsewhere it would only print its failure). Listing and
// opening both come here, so port numbers mean the same port. Null when no back end is
// left to ask; throws the last back end's RtMidiError when none can be created.
std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName);
