#pragma once

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

// What several benchmarks measure the same way: percentiles of a sample and the process's
// memory as the kernel counts it.

// The value below which `fraction` of the sample lies (0.5 the median, 1.0 the largest).
inline double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// A field of /proc/self/status in kibibytes ("VmRSS", "VmHWM"), or -1.
inline long statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    long value = -1;
    while (status >> name) {
        if (name == field + ":" && status >> value)
            return value;
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

// Starts a new peak for VmHWM; Linux takes "5" as that request.
inline bool resetPeak() {
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    refs.flush();
    return static_cast<bool>(refs);
}

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them: timing
// figures mean little without the load they were taken under.
inline std::string loadAverages() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}
