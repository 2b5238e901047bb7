// Peak resident memory of this process, as the programs' summaries report it.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// The high-water mark of this program's own address space (VmHWM), in
// bytes; 0 when the system does not tell it. getrusage would also count
// what the process held before exec, such as the pages of a large parent.
uint64_t PeakMemoryBytes();

// "; peak memory 201.3 MiB" for the end of a summary line; empty when the
// system does not tell it.
std::string PeakMemorySuffix();

}  // namespace lorvex
