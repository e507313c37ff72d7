#pragma once

#include <string>
#include <vector>

// Runs xdotool with `args` (e.g. {"mousemove", "110", "112", "click", "1"}) while the FLTK
// event loop goes on, so that the menus and drags it starts are served; then lets the
// events settle. Fails the current test when xdotool does not succeed.
void runXdotool(std::vector<std::string> args);
