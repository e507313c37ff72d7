// Starts the player 20 times and prints the median time from process start to its window
// being mapped on the X server; then, with one player running, the median time a second
// start takes to hand it a file and end. Needs an X display without a window manager (xvfb-run):
// bench_startup PATH_TO_VELTRANO
#include "TempDir.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int Starts = 20;
constexpr double GiveUpSeconds = 10.0;

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The player's diagnostic lines would bury the figures. -1 when it could not be started.
pid_t startQuietly(const char* player, const char* file) {
    pid_t pid = -1;
    char* args[] = {const_cast<char*>(player), const_cast<char*>(file), nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, player, &quiet, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&quiet);
    return spawned == 0 ? pid : -1;
}

// Milliseconds until the first top-level window is mapped; negative when none came. The
// player is left running when `keep` is set.
double timeToMap(Display* display, const char* player, pid_t* keep = nullptr) {
    XSync(display, True); // forget earlier events
    const auto start = Clock::now();
    const pid_t pid = startQuietly(player, nullptr);
    if (pid < 0)
        return -1;
    double millis = -1;
    while (millis < 0) {
        const std::chrono::duration<double> waited = Clock::now() - start;
        if (waited.count() > GiveUpSeconds)
            break;
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && millis < 0)
                millis = millisSince(start);
        }
        if (millis < 0)
            usleep(200);
    }
    if (keep && millis >= 0) {
        *keep = pid;
        return millis;
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return millis;
}

// Milliseconds a second start takes to hand `file` to the running player and end; negative
// when it failed.
double timeToHandOver(const char* player, const char* file) {
    const auto start = Clock::now();
    const pid_t pid = startQuietly(player, file);
    int status = -1;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || status != 0)
        return -1;
    return millisSince(start);
}

void printFigures(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    std::printf("%s, %zu starts: median %.1f ms, min %.1f ms, max %.1f ms\n", what, n,
                (times[n / 2 - 1] + times[n / 2]) / 2, times.front(), times.back());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_startup PATH_TO_VELTRANO\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    TempDir home, runtime;
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1); // players of its own
    setenv("JACK_DEFAULT_SERVER", "veltrano-absent-server", 1);
    std::vector<double> times;
    for (int i = 0; i < Starts; ++i) {
        const double millis = timeToMap(display, argv[1]);
        if (millis < 0) {
            std::fprintf(stderr, "start %d: no window within %.0f s\n", i, GiveUpSeconds);
            return 1;
        }
        times.push_back(millis);
    }
    printFigures("start to window mapped", times);
    pid_t running = -1;
    if (timeToMap(display, argv[1], &running) < 0)
        return 1;
    const std::string song =
        home.write("song.mid", {'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 0, 0,    1,    1,
                                0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xFF, 0x2F, 0});
    std::vector<double> handOvers;
    for (int i = 0; i < Starts && handOvers.size() == static_cast<size_t>(i); ++i)
        if (const double millis = timeToHandOver(argv[1], song.c_str()); millis >= 0)
            handOvers.push_back(millis);
    kill(running, SIGTERM);
    waitpid(running, nullptr, 0);
    XCloseDisplay(display);
    if (handOvers.size() != static_cast<size_t>(Starts)) {
        std::fprintf(stderr, "a second start did not hand its file over\n");
        return 1;
    }
    printFigures("second start handing over a file", handOvers);
    return 0;
}
