#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Sends the process's standard output (the descriptor, so every writer is caught) to a
// temporary file until destruction, when the old output is put back and receives what was
// caught.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far, one element per line without its line end.
    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;

private:
    std::FILE* caught;
    int savedStdout;
};
