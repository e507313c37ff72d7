#include "FltEventLoop.h"

#include <FL/Fl.H>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

bool loopUntil(const std::function<bool()>& condition, double limitSeconds) {
    const auto deadline = after(limitSeconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        Fl::wait(0.01);
    }
    return true;
}

void loopFor(double seconds) {
    const auto deadline = after(seconds);
    while (Clock::now() < deadline)
        Fl::wait(0.01);
}

bool waitUntil(const std::function<bool()>& condition, double limitSeconds) {
    const auto deadline = after(limitSeconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
