#include "App.h"

#include "Message.h"
#include "MyBrowser.h"

#include <FL/Fl_Button.H>

#include <algorithm>
#include <cmath>

namespace {

constexpr double SpeedStep = 1.1;
// Fifty presses either way; beyond them a wait could overflow or the speed reach 0.
const double FastestSpeed = std::pow(SpeedStep, 50);
const double SlowestSpeed = 1.0 / FastestSpeed;
constexpr double NoPause = 0.0;

} // namespace

void App::startPlaying(const std::string& path, double pause) {
    if (player.isRunning())
        return; // start would refuse; the figures belong to the running job
    PlayOptions options{menubar->value(CmdAllTracks), menubar->value(CmdFollowTempo),
                        portGeneration};
    options.transpose = playlist->entries.empty() ? 0 : playlist->entries.front().transpose;
    Flt_Thread::Job job = [this, path, pause, options](const Flt_StopFlag& stop) {
        return playFile(stop, path, pause, options);
    };
    Flt_Thread::Completion done = [this](bool result) { playbackEnded(result); };
    playedSeconds = 0.0;
    songSeconds = 0.0;
    if (!player.start(std::move(job), std::move(done)))
        return;
    startButton->label("Stop");
    playlist->markFirst(true);
    startTitleClock();
}

void App::playbackEnded(bool) {
    logLine("Next cmd = " + std::to_string(nextCommand));
    stopTitleClock();
    playlist->markFirst(false);
    startButton->label("Start");
    if (!goesOnAfter(playbackEnd.load()))
        return;
    playlist->moveFirstToEnd();
    // Without a port every further file would fail at once, round and round the list.
    if (menubar->value(CmdContinuous) && output.isOpen())
        startPlaying(playlist->firstPath(), pauseSeconds);
    else
        nextCommand = NextStop;
}

// A lost port keeps the file at the top, so that Start plays it again; a send failure is
// told once, not once per file.
bool App::goesOnAfter(int ending) {
    if (ending == EndPortLost || ending == EndSendFailed) {
        nextCommand = NextStop;
        if (ending == EndSendFailed) {
            const std::string name =
                openedPort >= 0 ? outputNames[static_cast<size_t>(openedPort)] : "";
            showMessage(formatText("Cannot send to MIDI output %s, error %d", name.c_str(),
                                   sendError.load()));
        }
        return false;
    }
    return nextCommand == NextAdvance;
}

bool App::readyToPlay() {
    if (!output.isOpen()) {
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
        changeSpeed(SpeedStep);
    else if (w == slowerButton)
        changeSpeed(1.0 / SpeedStep);
    else if (w == resetSpeedButton)
        changeSpeed(0.0);
    else if (w == startButton)
        pressStart();
    else if (w == playNextButton)
        pressPlayNext();
    else if (w == playNowButton)
        pressPlayNow();
}

// A factor of 0 resets the speed.
void App::changeSpeed(double factor) {
    speed = factor == 0.0 ? 1.0 : std::clamp(speed.load() * factor, SlowestSpeed, FastestSpeed);
    if (player.isRunning())
        showPlayingTitle();
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
