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

}  // namespace lorvex
