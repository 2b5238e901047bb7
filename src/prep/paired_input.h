// Read pairs from two FASTQ files read side by side, or from one file whose
// records alternate between first and second reads. The two records of a
// pair must carry names that agree (MateNamesAgree; unless the check is
// turned off), and two files must hold the same number of records.
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

// Whether two headers name the two reads of one pair: their PairNames are
// equal (so "r7/1" and "r7/2", or Casava's "r7 1:N:0:ACGT" and
// "r7 2:N:0:ACGT"), or the names end in ".1" and ".2" with the rest of the
// headers equal apart from "length=" words, as the public archives name
// mates ("SRR059298.1.1 HWUSI-EAS591:1:1:4:1003 length=72" and
// "SRR059298.1.2 HWUSI-EAS591:1:1:4:1003 length=68").
bool MateNamesAgree(std::string_view firstHeader, std::string_view secondHeader);

// Where a read of the input lies: its file and record number.
struct RecordPlace {
    std::string path;
    uint64_t record = 0;
};

class PairedInput {
  public:
    // Two files side by side.
    PairedInput(const std::string& firstPath, const std::string& secondPath, bool checkNames);
    // One interleaved file.
    PairedInput(const std::string& interleavedPath, bool checkNames);

    // The next pair, valid until the next call; false after the last pair.
    bool Next(FastqRecord& first, FastqRecord& second);

    uint64_t pairsRead() const { return pairsRead_; }
    // Where read `mate` (1 or 2) of pair `pair` (counted from 1) lies.
    RecordPlace PlaceOf(uint64_t pair, int mate) const;
    // From the next pair on, qualities are Phred+64 (FastqReader::ReadPhred64).
    void ReadPhred64(const std::string& note);

  private:
    void CheckNames(const FastqRecord& first, const FastqRecord& second) const;

    FastqReader firstReader_;
    std::optional<FastqReader> secondReader_;  // absent for an interleaved file
    bool checkNames_;
    uint64_t pairsRead_ = 0;
};

}  // namespace lorvex::prep
