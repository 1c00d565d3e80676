#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

// What benchmarks print beside their figures, so that figures are never read
// without the machine they came from.
inline std::string FirstLineOf(const char* path, const char* prefix) {
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return line;
        }
    }
    return "unknown";
}

inline std::string CpuModel() {
    const std::string line = FirstLineOf("/proc/cpuinfo", "model name");
    const size_t colon = line.find(':');
    return colon == std::string::npos ? line : line.substr(colon + 2);
}

// "2 cores, <CPU>, load <1-, 5- and 15-minute averages>"
inline std::string MachineDescription() {
    std::string load = FirstLineOf("/proc/loadavg", "");
    load = load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
    return std::to_string(std::thread::hardware_concurrency()) + " cores, " + CpuModel() +
           ", load " + load;
}

// The 99th percentile of values sorted in rising order (nearest rank).
inline double Percentile99(const std::vector<double>& sorted) {
    if (sorted.empty()) {
        return 0;
    }
    return sorted[std::min(sorted.size() - 1, (sorted.size() * 99 + 99) / 100 - 1)];
}
