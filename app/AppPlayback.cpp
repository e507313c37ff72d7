#include "App.h"

#include "InterruptibleSleep.h"
#include "MyBrowser.h"
#include "ZylmidiFile.h"

#include <FL/Fl_Button.H>

#include <iostream>

namespace {

constexpr double MicrosPerSecond = 1000000.0;
constexpr double SpeedStep = 1.1;
constexpr double NoPause = 0.0;

} // namespace

void App::startPlaying(const std::string& path, double pause) {
    Flt_Thread::Job job = [this, path, pause](const Flt_StopFlag& stop) {
        return playFile(stop, path, pause);
    };
    Flt_Thread::Completion done = [this](bool result) { playbackEnded(result); };
    if (!player.start(std::move(job), std::move(done)))
        return;
    startButton->label("Stop");
    playlist->markFirst(true);
}

// Worker thread: touches no widget, only the port, the stop flag and the speed.
bool App::playFile(const Flt_StopFlag& stop, std::string path, double pause) {
    std::cout << "Thread running: " << path << std::endl;
    const auto stopAsked = stop.predicate();
    if (pause > 0) {
        const auto pauseMicros = static_cast<int64_t>(pause * MicrosPerSecond);
        if (interruptibleSleep(pauseMicros, stopAsked, PlaybackSliceMicros) != 0)
            return false;
    }
    ZylmidiFile song;
    if (song.load(path) != 0 || song.trackCount() == 0)
        return false;
    const double secondsPerTick = song.secondsPerTick(ReferenceTempo);
    for (const ZylmidiEvent& event : song.tracks[0].events) {
        const double micros = static_cast<double>(event.delta) * MicrosPerSecond * secondsPerTick;
        const auto waitMicros = static_cast<int64_t>(micros / speed.load());
        if (waitMicros != 0 &&
            interruptibleSleep(waitMicros, stopAsked, PlaybackSliceMicros) != 0) {
            output.allNotesOff();
            return false;
        }
        if (output.send(event.data) != 0)
            return false;
    }
    return true;
}

void App::playbackEnded(bool) {
    std::cout << "Next cmd = " << nextCommand << std::endl;
    playlist->markFirst(false);
    startButton->label("Start");
    if (nextCommand != NextAdvance)
        return;
    playlist->moveFirstToEnd();
    if (menubar->value(CmdContinuous))
        startPlaying(playlist->firstPath(), pauseSeconds);
    else
        nextCommand = NextStop;
}

bool App::readyToPlay() {
    if (!output.port) {
        showMessage("Please select MIDI output device under 'Settings'");
        return false;
    }
    if (playlist->size() == 0) {
        showMessage("Please add some MIDI files to play");
        return false;
    }
    return true;
}

void App::buttonPressed(Fl_Widget* w) {
    if (w == fasterButton)
        speed = speed.load() * SpeedStep;
    else if (w == slowerButton)
        speed = speed.load() / SpeedStep;
    else if (w == resetSpeedButton)
        speed = 1.0;
    else if (w == startButton)
        pressStart();
    else if (w == playNextButton)
        pressPlayNext();
    else if (w == playNowButton)
        pressPlayNow();
}

void App::pressStart() {
    if (player.isRunning()) {
        nextCommand = NextStop;
        player.requestStop();
    } else if (readyToPlay()) {
        nextCommand = NextAdvance;
        startPlaying(playlist->firstPath(), NoPause);
    }
}

void App::pressPlayNext() {
    if (!readyToPlay())
        return;
    if (playlist->selectedLine() >= 1) {
        playlist->moveSelectedToSecond();
    } else if (player.isRunning()) {
        nextCommand = NextAdvance;
        player.requestStop();
    } else {
        playlist->moveFirstToEnd();
        nextCommand = NextAdvance;
        startPlaying(playlist->firstPath(), NoPause);
    }
}

void App::pressPlayNow() {
    if (!readyToPlay())
        return;
    const bool selected = playlist->selectedLine() >= 1;
    const bool running = player.isRunning();
    if (selected && running) {
        playlist->moveSelectedToSecond();
        nextCommand = NextAdvance;
        player.requestStop();
    } else if (selected) {
        playlist->moveSelectedToFirst();
        nextCommand = NextAdvance;
        startPlaying(playlist->firstPath(), NoPause);
    } else if (!running) {
        nextCommand = NextAdvance;
        startPlaying(playlist->firstPath(), NoPause);
    }
}
