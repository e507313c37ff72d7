#include "App.h"

#include "Message.h"
#include "MyBrowser.h"
#include "PortErrorText.h"

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

void App::startPlaying(double pause) {
    // Start would refuse a second job, and the figures belong to the running one; a quit that
    // came during a box before plays nothing more.
    if (player.isRunning() || quitting)
        return;
    while (firstIsMissing()) {
        if (!skipped(playlist->firstId()))
            return;
    }
    const std::string path = playlist->firstPath();
    PlayOptions options{menubar->value(CmdAllTracks), menubar->value(CmdFollowTempo),
                        portGeneration};
    options.transpose = playlist->entries.front().transpose;
    Flt_Thread::Job job = [this, path, pause, options](const Flt_StopFlag& stop) {
        return playFile(stop, path, pause, options);
    };
    Flt_Thread::Completion done = [this](bool result) { playbackEnded(result); };
    playClock.hold(0.0);
    songSeconds = 0.0;
    if (!player.start(std::move(job), std::move(done)))
        return;
    startButton->label("Stop");
    playlist->setPlaying(playlist->firstId());
    startTitleClock();
}

// The file that played is known by its entry, wherever moves have taken its line since.
void App::playbackEnded(bool) {
    logLine("Next cmd = " + std::to_string(nextCommand));
    stopTitleClock();
    const EntryId played = playlist->playingId();
    playlist->setPlaying(NoEntry);
    startButton->label("Start");
    const int ending = playbackEnd.load();
    if (ending == EndUnreadable) {
        skipUnreadable(played);
        return;
    }
    failedInARow = 0;
    if (ending == EndFinished)
        playlist->setState(played, false, ""); // readable again, if it was not before
    if (!goesOnAfter(ending))
        return;
    playlist->moveToEnd(played);
    const bool skipping = nextCommand == NextSkip;
    // Without a port every further file would fail at once, round and round the list.
    if ((skipping || menubar->value(CmdContinuous)) && output.isOpen()) {
        nextCommand = NextAdvance;
        startPlaying(skipping ? NoPause : pauseSeconds);
    } else {
        nextCommand = NextStop;
    }
}

// A lost port keeps the file at the top, so that Start plays it again; a send failure is
// told once, not once per file.
bool App::goesOnAfter(int ending) {
    tellRefusedMessages();
    tellWhereNotesAre();
    if (ending == EndPortLost || ending == EndSendFailed) {
        nextCommand = NextStop;
        if (ending == EndSendFailed)
            showMessage(sendFailureText(chosenOutput, sendError.load()));
        else if (output.isOpen())
            showMessage(formatText("MIDI output %s lost", chosenOutput.c_str()));
        return false;
    }
    return nextCommand == NextAdvance || nextCommand == NextSkip;
}

// One box for the file, however many of its messages were too long.
void App::tellRefusedMessages() {
    const int refused = refusedMessages.exchange(0);
    if (refused > 0)
        showMessage(sendFailureText(chosenOutput, RtMidiError::INVALID_PARAMETER) +
                    formatText("; %d such message(s) skipped, the rest played", refused));
}

// Also from the title's clock, so that it comes while such a file plays.
void App::tellWhereNotesAre() {
    if (toldNotesElsewhere || !notesElsewhere.load())
        return;
    toldNotesElsewhere = true;
    showMessage("The first track of this file has no notes; they are on other tracks, which "
                "\"Settings/Play all tracks\" plays");
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

// A press starts afresh: files skipped before count again towards a lap that all fail.
void App::pressStart() {
    failedInARow = 0;
    if (player.isRunning()) {
        nextCommand = NextStop;
        player.requestStop();
    } else if (readyToPlay()) {
        nextCommand = NextAdvance;
        startPlaying(NoPause);
    }
}

void App::pressPlayNext() {
    failedInARow = 0;
    if (!readyToPlay())
        return;
    if (playlist->selectedLine() >= 1) {
        playlist->moveSelectedToSecond();
    } else if (player.isRunning()) {
        nextCommand = NextSkip;
        player.requestStop();
    } else {
        playlist->moveFirstToEnd();
        nextCommand = NextAdvance;
        startPlaying(NoPause);
    }
}

void App::pressPlayNow() {
    failedInARow = 0;
    if (!readyToPlay())
        return;
    const bool selected = playlist->selectedLine() >= 1;
    const bool running = player.isRunning();
    if (selected && running) {
        playlist->moveSelectedToSecond();
        nextCommand = NextSkip;
        player.requestStop();
    } else if (selected) {
        playlist->moveSelectedToFirst();
        nextCommand = NextAdvance;
        startPlaying(NoPause);
    } else if (!running) {
        nextCommand = NextAdvance;
        startPlaying(NoPause);
    }
}
