#pragma once

#include <cstdio>
#include <string>
#include <vector>

// printf-style formatting into a string, for the texts of the message boxes.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The first `most` of `items` joined by `separator`; when some are left out, then
// `beforeRest` and "and N more". A box stays readable however long the batch was.
std::string joinAtMost(const std::vector<std::string>& items, std::size_t most,
                       const char* separator, const char* beforeRest);

// Writes `line` and a line end to `stream` in one call, then flushes: the worker and the
// user-interface thread both log, and a line written in pieces could be cut by the other's.
void logLine(const std::string& line, FILE* stream = stdout);
