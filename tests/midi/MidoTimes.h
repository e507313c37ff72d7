#pragma once
// What python3-mido, reading the same file as the project's reader, makes of it: each event's
// seconds from the start and its bytes, one a line, as tests/midi/mido_times.py prints them.
// MIDO_TIMES is that script's path, given by the test's CMake target.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline std::string midoSays(const std::string& path) {
    FILE* mido = popen(("/usr/bin/python3 '" MIDO_TIMES "' " + path).c_str(), "r");
    std::string text;
    for (int c; mido && (c = std::fgetc(mido)) != EOF;)
        text += static_cast<char>(c);
    EXPECT_TRUE(mido && pclose(mido) == 0) << "python3-mido could not read " << path;
    return text;
}
