#include "FltEventLoop.h"

#include <FL/Fl.H>

#include <chrono>

bool loopUntil(const std::function<bool()>& condition, double limitSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(limitSeconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        Fl::wait(0.01);
    }
    return true;
}

void loopFor(double seconds) {
    loopUntil([] { return false; }, seconds);
}
