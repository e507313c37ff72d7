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

} // namespace

// Worker thread: touches no widget, only the port (under portLock), the stop flag, the
// speed and the figures it publishes.
bool App::playFile(const Flt_StopFlag& stop, std::string path, double pause, PlayOptions options) {
    logLine("Thread running: " + path);
    playbackEnd = EndStopped;
    const auto stopAsked = stop.predicate();
    if (pause > 0) {
        const auto pauseMicros = static_cast<int64_t>(pause * MicrosPerSecond);
        if (interruptibleSleep(pauseMicros, stopAsked, PlaybackSliceMicros) != 0)
            return false;
    }
    ZylmidiFile song;
    if (song.load(path) != 0 || song.trackCount() == 0) {
        playbackEnd = EndUnreadable;
        return false;
    }
    transposeNotes(song, options.transpose);
    const ZylmidiTimeline timeline(song, options.allTracks, options.followTempo);
    songSeconds = timeline.totalSeconds();
    // Each wait counts from the previous event's ideal moment, so no drift adds up.
    ZylmidiSchedule schedule;
    std::vector<unsigned char> scratch;
    double position = 0.0;
    for (const auto& step : timeline) {
        if (!schedule.wait(step.seconds, speed.load(), stopAsked)) {
            releaseNotes(options.port);
            return false;
        }
        position += step.seconds;
        playedSeconds.store(position, std::memory_order_relaxed);
        const ZylmidiOut::Message* message = wireMessage(step.event, scratch);
        if (message == nullptr)
            continue; // a meta event: its time counts, its bytes are no MIDI message
        if (const int ending = sendToPort(*message, options.port); ending != EndFinished) {
            playbackEnd = ending;
            return false;
        }
    }
    releaseNotes(options.port); // nothing may drone on through the pause
    playbackEnd = EndFinished;
    return true;
}

int App::sendToPort(const ZylmidiOut::Message& message, uint64_t generation) {
    std::lock_guard<std::mutex> guard(portLock);
    if (portGeneration != generation)
        return EndStopped; // the selection changed the port and asked the job to stop
    if (!output.isOpen())
        return EndPortLost;
    if (const int failed = output.send(message)) {
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
