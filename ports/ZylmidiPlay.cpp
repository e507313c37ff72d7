#include "ZylmidiOut.h"
#include "ZylmidiSchedule.h"

int ZylmidiOut::play(const ZylmidiTrack& track, double secondsPerTick, std::function<bool()> stop,
                     Observer observer, const Sleeper& sleep) {
    if (!output)
        return RtMidiError::INVALID_USE;
    ZylmidiSchedule schedule(ZylmidiSchedule::Clock::now(), SendAhead);
    for (unsigned index = 0; index < track.events.size(); ++index) {
        const ZylmidiEvent& event = track.events[index];
        if (!schedule.wait(event.delta * secondsPerTick, 1.0, stop, sleep)) {
            allNotesOff();
            return PlayStopped;
        }
        if (observer)
            observer(index, track);
        // The port sends what the track holds, meta and unterminated system exclusive
        // included; leaving out what is no MIDI message (wireMessage) is the player's call.
        if (const int failed = send(event.data, schedule.moment()))
            return failed;
    }
    return 0;
}
