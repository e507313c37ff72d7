#include "ZylmidiEvent.h"

EventKind ZylmidiEvent::kind() const {
    if (data.empty())
        return EventKind::Empty;
    if (data[0] < 0xF0)
        return EventKind::Channel;
    if (data[0] < 0xFF)
        return EventKind::System;
    return EventKind::Meta;
}

int ZylmidiEvent::noteOnNumber() const {
    if (data.size() != 3 || (data[0] & 0xF0) != 0x90 || data[2] == 0)
        return -1;
    return data[1];
}
