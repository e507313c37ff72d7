#include "FltStdoutCapture.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

StdoutCapture::StdoutCapture() : caught(std::tmpfile()) {
    if (!caught)
        throw std::runtime_error("cannot create a temporary file");
    std::fflush(stdout);
    savedStdout = dup(STDOUT_FILENO);
    dup2(fileno(caught), STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
    const std::vector<std::string> all = lines();
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    std::fclose(caught);
    // Passed on, so that test failures reported meanwhile are seen.
    for (const std::string& line : all)
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::vector<std::string> StdoutCapture::lines() const {
    std::fflush(stdout);
    // A file of its own at offset 0, so that the writers' offset stays at the end.
    std::ifstream in("/proc/self/fd/" + std::to_string(fileno(caught)));
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

bool StdoutCapture::contains(const std::string& line) const {
    const std::vector<std::string> all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}
