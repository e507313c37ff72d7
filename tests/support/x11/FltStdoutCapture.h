#pragma once

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

// Sends the process's standard output (the descriptor, so every writer is caught) to a
// temporary file until destruction, when the old output is put back and receives what was
// caught.
class StdoutCapture {
public:
    StdoutCapture() {
        if (!caught)
            throw std::runtime_error("cannot create a temporary file");
        std::fflush(stdout);
        dup2(fileno(caught), STDOUT_FILENO);
    }
    ~StdoutCapture() {
        const std::vector<std::string> all = lines();
        dup2(savedStdout, STDOUT_FILENO);
        close(savedStdout);
        std::fclose(caught);
        // Passed on, so that test failures reported meanwhile are seen.
        for (const std::string& line : all)
            std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything written so far, one element per line without its line end.
    std::vector<std::string> lines() const {
        std::fflush(stdout);
        // A file of its own at offset 0, so that the writers' offset stays at the end.
        std::ifstream in("/proc/self/fd/" + std::to_string(fileno(caught)));
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            result.push_back(line);
        return result;
    }
    // How many of those lines are `line`.
    long count(const std::string& line) const {
        const std::vector<std::string> all = lines();
        return std::count(all.begin(), all.end(), line);
    }

private:
    std::FILE* caught = std::tmpfile();
    int savedStdout = dup(STDOUT_FILENO);
};
