// Starts the player 20 times and prints the median time from process start to its window
// being mapped on the X server. Needs an X display without a window manager (xvfb-run):
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

// Milliseconds until the first top-level window is mapped; negative when none came.
double timeToMap(Display* display, const char* player) {
    XSync(display, True); // forget earlier events
    const auto start = Clock::now();
    pid_t pid = -1;
    char* args[] = {const_cast<char*>(player), nullptr};
    posix_spawn_file_actions_t quiet; // the player's diagnostic lines would bury the figures
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, player, &quiet, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0)
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
                millis = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        }
        if (millis < 0)
            usleep(200);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return millis;
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
    TempDir home;
    setenv("HOME", home.path().c_str(), 1);
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
    std::sort(times.begin(), times.end());
    std::printf("start to window mapped, %d starts: median %.1f ms, min %.1f ms, max %.1f ms\n",
                Starts, (times[Starts / 2 - 1] + times[Starts / 2]) / 2, times.front(),
                times.back());
    XCloseDisplay(display);
    return 0;
}
