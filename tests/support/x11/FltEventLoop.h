#pragma once

#include <functional>

// Runs the FLTK event loop until `condition` holds or `limitSeconds` have passed, and
// returns whether it holds. The limit only keeps a broken test from hanging.
bool loopUntil(const std::function<bool()>& condition, double limitSeconds = 30.0);

// Runs the FLTK event loop for about `seconds`, serving whatever arrives.
void loopFor(double seconds);
