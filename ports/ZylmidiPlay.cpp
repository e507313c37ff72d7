#include "ZylmidiOut.h"

#include <limits>

namespace {

// The event's wait, truncated to whole microseconds. A tick length that is negative or
// not a number waits nothing, and one too long for the sleep waits the longest it can.
int64_t waitMicros(uint32_t delta, double secondsPerTick) {
    const double micros = static_cast<double>(delta) * 1000000.0 * secondsPerTick;
    if (!(micros > 0.0))
        return 0;
    const auto longest = std::numeric_limits<int64_t>::max();
    if (micros >= static_cast<double>(longest))
        return longest;
    return static_cast<int64_t>(static_cast<uint64_t>(micros));
}

} // namespace

int ZylmidiOut::play(const ZylmidiTrack& track, double secondsPerTick, std::function<bool()> stop,
                     Observer observer) {
    if (!port)
        return RtMidiError::INVALID_USE;
    for (unsigned index = 0; index < track.events.size(); ++index) {
        const ZylmidiEvent& event = track.events[index];
        const int64_t wait = waitMicros(event.delta, secondsPerTick);
        if (wait != 0 && interruptibleSleep(wait, stop, PlaybackSliceMicros) != 0) {
            allNotesOff();
            return PlayStopped;
        }
        if (observer)
            observer(index, track);
        if (const int failed = send(event.data))
            return failed;
    }
    return 0;
}
