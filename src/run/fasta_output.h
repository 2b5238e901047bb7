// FASTA as the batch programs write it.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// The header line and the sequence in lines of lineWidth bases (0: one line).
std::string FastaRecord(const std::string& header, const std::string& sequence, int32_t lineWidth);

}  // namespace lorvex
