#pragma once

#include <string>
#include <vector>

// Port numbers shift as devices and programs come and go, so a stored port is found again
// by its name. Returns the index in `names` of the port to open, or -1 when none fits:
// an exact match first, else the first name that is equal once the parts that change
// from run to run are removed (see `stablePortName`).
int findPortByName(const std::vector<std::string>& names, const std::string& storedName);

// `name` without ALSA client:port numbers ("14:0", " 128:0"), process ids in brackets
// ("[4242]", "(4242)"), the brackets those leave empty and the spaces before them, with runs of
// spaces made one.
std::string stablePortName(const std::string& name);
