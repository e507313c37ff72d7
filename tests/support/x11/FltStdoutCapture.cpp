#include "FltStdoutCapture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

StdoutCapture::StdoutCapture() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/veltrano-stdout-XXXXXX";
    const int file = mkstemp(pattern.data());
    if (file < 0)
        throw std::runtime_error("cannot create " + pattern);
    path = pattern;
    std::fflush(stdout);
    savedStdout = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    close(file);
}

StdoutCapture::~StdoutCapture() {
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    // Passed on, so that test failures reported meanwhile are seen.
    for (const std::string& line : lines())
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    std::remove(path.c_str());
}

std::vector<std::string> StdoutCapture::lines() const {
    std::fflush(stdout);
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

bool StdoutCapture::contains(const std::string& line) const {
    return indexOf(lines(), line) >= 0;
}

int indexOf(const std::vector<std::string>& lines, const std::string& line) {
    const auto found = std::find(lines.begin(), lines.end(), line);
    return found == lines.end() ? -1 : static_cast<int>(found - lines.begin());
}
