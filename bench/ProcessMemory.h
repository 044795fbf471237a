// What the kernel says of this process's memory, for the benchmarks that
// report how much a document or a window keeps.
#pragma once

#include <cstring>
#include <fstream>
#include <string>

namespace corvantis::bench {

// A field of /proc/self/status in KiB ("VmHWM", the peak resident size;
// "VmRSS", the present one); -1 when it cannot be read.
inline long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::stol(line.substr(length + 1));
    return -1;
}

// Lowers the peak resident size to the present one; false when the kernel
// refused.
inline bool resetPeakResidentSize() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

}  // namespace corvantis::bench
