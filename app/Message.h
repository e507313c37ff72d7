#pragma once

#include <string>

// printf-style formatting into a string, for the texts of the message boxes.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
