#include "tool/peak_memory.h"

#include <cstdio>

namespace lorvex {

uint64_t PeakMemoryBytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    unsigned long long kib = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status))
        found = std::sscanf(line, "VmHWM: %llu kB", &kib) == 1;
    std::fclose(status);
    return found ? kib * 1024 : 0;
}

std::string PeakMemorySuffix() {
    const uint64_t peak = PeakMemoryBytes();
    if (peak == 0) return "";
    char memory[48];
    std::snprintf(memory, sizeof memory, "; peak memory %.1f MiB",
                  static_cast<double>(peak) / (1 << 20));
    return memory;
}

}  // namespace lorvex
