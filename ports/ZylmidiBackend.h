#pragma once

#include "RtMidi.h"

#include <memory>
#include <string>

// Creates an output client named `clientName` on the first MIDI back end that works.
// Where the machine has an ALSA sequencer, the library's own choice comes first, then
// each compiled back end in the library's order; where it has none, ALSA is not asked
// (it would only print its failure on standard error): the other back ends are, in the
// library's order. RtMidi's own choice gives up when the ALSA sequencer is missing, even
// where a JACK server runs. Listing and opening both come here, so port numbers mean the
// same port. Throws the last back end's RtMidiError when none can be created.
std::unique_ptr<RtMidiOut> createOutputClient(const std::string& clientName);
