#include "App.h"

#include "InterruptibleSleep.h"
#include "Message.h"
#include "ZylmidiFile.h"
#include "ZylmidiSchedule.h"
#include "ZylmidiTimeline.h"
#include "ZylmidiWire.h"
#include "ZylorganCopy.h"

namespace {

constexpr double MicrosPerSecond = 1000000.0;
// What sendToPort returns, besides the endings, for a message the port refused for its
// size: skipped, and the notes around it play on.
constexpr int SkipRefused = -1;

bool hasNotes(const ZylmidiTrack& track) {
    for (const ZylmidiEvent& event : track.events)
        if (event.isNoteOn())
            return true;
    return false;
}

// Many format 1 files keep only tempo and names in their first track.
bool notesOnlyAfterFirstTrack(const ZylmidiFile& song) {
    if (song.tracks.empty() || hasNotes(song.tracks.front()))
        return false;
    for (size_t i = 1; i < song.tracks.size(); ++i)
        if (hasNotes(song.tracks[i]))
            return true;
    return false;
}

} // namespace

// Worker thread: touches no widget, only the port (under portLock), the stop flag, the
// speed and the figures it publishes.
bool App::playFile(const Flt_StopFlag& stop, std::string path, double pause, PlayOptions options) {
    logLine("Thread running: " + path);
    playbackEnd = EndStopped;
    refusedMessages = 0;
    if (pause > 0) {
        const auto pauseMicros = static_cast<int64_t>(pause * MicrosPerSecond);
        if (interruptibleSleep(pauseMicros, stop.predicate(), PlaybackSliceMicros,
                               stop.sleeper()) != 0)
            return false;
    }
    ZylmidiFile song;
    if (const int loaded = song.load(path); loaded != 0 || song.trackCount() == 0) {
        loadError = loaded;
        playbackEnd = EndUnreadable;
        return false;
    }
    transposeNotes(song, options.transpose);
    notesElsewhere = !options.allTracks && notesOnlyAfterFirstTrack(song);
    const ZylmidiTimeline timeline(song, options.allTracks, options.followTempo);
    songSeconds = timeline.totalSeconds();
    const int ending = playSteps(timeline, stop, options.port);
    playbackEnd = ending;
    return ending == EndFinished;
}

// Each wait counts from the previous event's ideal moment, so no drift adds up. Every way
// out releases what sounds, where the port can still carry it; after a port change the
// selection has released it.
int App::playSteps(const ZylmidiTimeline& timeline, const Flt_StopFlag& stop, uint64_t port) {
    const auto stopAsked = stop.predicate();
    const auto stopWakes = stop.sleeper(); // a stop ends the wait at once, not at its next look
    // Each message goes a little ahead with the moment it belongs to, so that the sending
    // thread's late wake-ups do not show where the port places messages at their moment.
    ZylmidiSchedule schedule(ZylmidiSchedule::Clock::now(), SendAhead);
    std::vector<unsigned char> scratch;
    double position = 0.0;
    for (const auto& step : timeline) {
        const double pace = speed.load();
        playClock.runFrom(schedule.moment(), position, pace, position + step.seconds);
        if (!schedule.wait(step.seconds, pace, stopAsked, stopWakes)) {
            releaseNotes(port);
            return EndStopped;
        }
        position += step.seconds;
        const ZylmidiOut::Message* message = wireMessage(step.event, scratch);
        if (message == nullptr)
            continue; // a meta event: its time counts, its bytes are no MIDI message
        const int ending = sendToPort(*message, port, schedule.moment());
        if (ending == SkipRefused) {
            ++refusedMessages;
        } else if (ending != EndFinished) {
            if (ending == EndSendFailed || ending == EndPortLost)
                releaseNotes(port); // reaches the synthesizer if it comes back at once
            return ending;
        }
    }
    releaseNotes(port); // nothing may drone on through the pause
    return EndFinished;
}

int App::sendToPort(const ZylmidiOut::Message& message, uint64_t generation,
                    ZylmidiOutput::Moment due) {
    std::lock_guard<std::mutex> guard(portLock);
    if (portGeneration != generation)
        return EndStopped; // the selection changed the port and asked the job to stop
    // The synthesizer went away: what is sent now reaches nothing. The file stays at the
    // top, to play again once the port is back.
    if (!output.isOpen() || output.connectionLost())
        return EndPortLost;
    if (const int failed = output.send(message, due)) {
        if (failed == RtMidiError::INVALID_PARAMETER)
            return SkipRefused; // too long for the port: the next message may go
        sendError = failed;
        return EndSendFailed;
    }
    return EndFinished;
}

// Notes and pedals left on; after a port change the selection has released them already.
void App::releaseNotes(uint64_t generation) {
    std::lock_guard<std::mutex> guard(portLock);
    if (portGeneration == generation && output.isOpen())
        output.releaseSounding();
}
