#pragma once

#include "MidiReceiver.h"
#include "ZylmidiOut.h"

// Opens `out` on the receiver's port, found by name in the port list.
inline bool openOnReceiver(ZylmidiOut& out, const MidiReceiver& receiver) {
    const int index = receiver.indexIn(ZylmidiOut::portNames());
    return index >= 0 && out.open(static_cast<unsigned>(index)) == 0;
}
