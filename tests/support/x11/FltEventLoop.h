#pragma once

#include <FL/Fl.H>

#include <chrono>
#include <functional>

// Runs the FLTK event loop until `condition` holds or `limitSeconds` have passed, and
// returns whether it holds. The limit only keeps a broken test from hanging.
inline bool loopUntil(const std::function<bool()>& condition, double limitSeconds = 30.0) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(limitSeconds);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        Fl::wait(0.01);
    }
    return true;
}

// Runs the FLTK event loop for about `seconds`, serving whatever arrives.
inline void loopFor(double seconds) {
    loopUntil([] { return false; }, seconds);
}
