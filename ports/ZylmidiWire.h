#pragma once

#include "ZylmidiEvent.h"

#include <vector>

// The message that goes on the wire for `event`, or null when the event is no MIDI
// message: a meta event (FF on the wire is System Reset) or one without bytes. System
// exclusive is stored without its closing F7; it comes back whole, built in `scratch`
// (reused from event to event). Every other event is its own bytes, without a copy.
const std::vector<unsigned char>* wireMessage(const ZylmidiEvent& event,
                                              std::vector<unsigned char>& scratch);

// The sustain pedal's controller, and the value from which on it holds the notes.
constexpr unsigned char SustainController = 64;
constexpr unsigned char SustainHeldFrom = 64;

// A Note Off (or a Note On of velocity 0), or the sustain pedal let up: a message that ends
// a sound rather than starts one.
bool releasesSound(const std::vector<unsigned char>& message);
