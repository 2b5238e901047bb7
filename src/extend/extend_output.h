// What lorvex-extend writes: the extended contigs as FASTA, one row per
// accepted base, one row per seed and side.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extend/seed_batch.h"
#include "extend/seed_extension.h"

namespace lorvex::extend {

// ">name left=120 right=3456 left_stop=no-votes right_stop=not-dominant
// description": the left fields only with both sides, the description when
// the seed has one.
std::string FastaHeader(const SeedRecord& seed, const SeedExtension& extension, bool bothSides);

// The header line and the sequence in lines of lineWidth bases (0: one line).
std::string FastaRecord(const std::string& header, const std::string& sequence, int32_t lineWidth);

// Per accepted base: seed, side, step (1 = next to the seed), position in the
// extended contig (1-based), base and its four votes, on the seed's strand,
// and the votes over the single-copy depth (empty without one).
std::string BaseRowsHeader();
std::string BaseRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides,
                     std::optional<double> singleCopyDepth);

// Per seed and side: how long the seed was, what was added, why it stopped
// and the votes of the stopping cycle, the length of the extended contig and
// the repeat guard's single-copy depth (empty without one).
std::string SummaryRowsHeader();
std::string SummaryRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides,
                        std::optional<double> singleCopyDepth);

}  // namespace lorvex::extend
