#include "App.h"

#include "Message.h"

#include <FL/Fl.H>

#include <cmath>

namespace {

constexpr double TitleEverySeconds = 1.0;
constexpr long FullSpeedPercent = 100;

std::string minutesAndSeconds(double seconds) {
    const long whole = std::isfinite(seconds) && seconds > 0 ? static_cast<long>(seconds) : 0;
    return formatText("%ld:%02ld", whole / 60, whole % 60);
}

} // namespace

// The figures come from the job through atomics and the play clock, so the time moves
// during long notes too; only this thread touches the title.
void App::showPlayingTitle() {
    std::string suffix = " - " + minutesAndSeconds(playClock.positionAt(PlayClock::Clock::now())) +
                         " / " + minutesAndSeconds(songSeconds.load());
    const long percent = std::lround(speed.load() * 100.0);
    if (percent != FullSpeedPercent)
        suffix += formatText(" (%ld%%)", percent);
    setTitleSuffix(suffix.c_str());
}

void App::startTitleClock() {
    showPlayingTitle();
    Fl::add_timeout(TitleEverySeconds, titleTick, this);
}

void App::stopTitleClock() {
    Fl::remove_timeout(titleTick, this);
    setTitleSuffix(nullptr);
}

// Re-armed first: a box shown from here runs the event loop, in which the file may end and
// the completion remove the timeout for good.
void App::titleTick(void* app) {
    Fl::repeat_timeout(TitleEverySeconds, titleTick, app);
    auto* self = static_cast<App*>(app);
    self->showPlayingTitle();
    self->tellWhereNotesAre();
}
