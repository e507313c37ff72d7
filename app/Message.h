#pragma once

#include <cstdio>
#include <string>

// printf-style formatting into a string, for the texts of the message boxes.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes `line` and a line end to `stream` in one call, then flushes: the worker and the
// user-interface thread both log, and a line written in pieces could be cut by the other's.
void logLine(const std::string& line, FILE* stream = stdout);
