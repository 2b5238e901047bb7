// Read pairs from two FASTQ files read side by side, or from one file whose
// records alternate between first and second reads. The two records of a
// pair must carry the same name once comments and a /1 or /2 suffix are
// removed (unless the check is turned off), and two files must hold the
// same number of records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "prep/fastq_reader.h"

namespace lorvex::prep {

// The name a pair shares: the header up to its first space or tab, without
// a trailing "/1" or "/2".
std::string_view PairName(std::string_view header);

class PairedInput {
  public:
    // Two files side by side.
    PairedInput(const std::string& firstPath, const std::string& secondPath, bool checkNames);
    // One interleaved file.
    PairedInput(const std::string& interleavedPath, bool checkNames);

    // The next pair, valid until the next call; false after the last pair.
    bool Next(FastqRecord& first, FastqRecord& second);

    uint64_t pairsRead() const { return pairsRead_; }

  private:
    void CheckNames(const FastqRecord& first, const FastqRecord& second) const;

    FastqReader firstReader_;
    std::optional<FastqReader> secondReader_;  // absent for an interleaved file
    bool checkNames_;
    uint64_t pairsRead_ = 0;
};

}  // namespace lorvex::prep
