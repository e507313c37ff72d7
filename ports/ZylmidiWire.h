#pragma once

#include "ZylmidiEvent.h"

#include <vector>

// The message that goes on the wire for `event`, or null when the event is no MIDI
// message: a meta event (FF on the wire is System Reset) or one without bytes. System
// exclusive is stored without its closing F7; it comes back whole, built in `scratch`
// (reused from event to event). Every other event is its own bytes, without a copy.
const std::vector<unsigned char>* wireMessage(const ZylmidiEvent& event,
                                              std::vector<unsigned char>& scratch);
