// The files lorvex-extend writes: the extended contigs as FASTA, one row per
// accepted base, one row per seed and side. Every write is checked, so a
// full disk or a closed pipe ends the run with a message naming the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "extend/seed_batch.h"
#include "extend/seed_extension.h"

namespace lorvex::extend {

// An output file, or standard output for the path "-". Write and Close throw
// OutputError "<file>: <reason>".
class OutputFile {
  public:
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view text);
    // Flushes and closes; an error that only shows now is still reported.
    void Close();
    const std::string& name() const { return name_; }

  private:
    [[noreturn]] void Fail(int error) const;
    std::FILE* file_ = nullptr;
    bool isStandardOutput_ = false;
    std::string name_;
};

// ">name left=120 right=3456 left_stop=no-votes right_stop=not-dominant
// description": the left fields only with both sides, the description when
// the seed has one.
std::string FastaHeader(const SeedRecord& seed, const SeedExtension& extension, bool bothSides);

// The header line and the sequence in lines of lineWidth bases (0: one line).
std::string FastaRecord(const std::string& header, const std::string& sequence, int32_t lineWidth);

// Per accepted base: seed, side, step (1 = next to the seed), position in the
// extended contig (1-based), base and its four votes, on the seed's strand.
std::string BaseRowsHeader();
std::string BaseRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides);

// Per seed and side: how long the seed was, what was added, why it stopped
// and the votes of the stopping cycle, and the length of the extended contig.
std::string SummaryRowsHeader();
std::string SummaryRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides);

}  // namespace lorvex::extend
