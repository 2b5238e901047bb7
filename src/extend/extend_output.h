// What lorvex-extend writes: the extended contigs as FASTA, one row per
// accepted base, one row per seed and side.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extend/seed_extension.h"
#include "extension/stop_reason.h"
#include "input/fasta_records.h"

namespace lorvex::extend {

// A side's stop as every output of lorvex-extend names it: the shared words
// (run/stop_words.h), and seed-too-short for a seed shorter than
// --max-distance.
const char* SeedStopLabel(StopReason reason);

// ">name left=120 right=3456 left_stop=no-votes right_stop=not-dominant
// description": the left fields only with both sides, the description when
// the seed has one; a closed circle adds "length=N circular=true" before it.
std::string FastaHeader(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides);

// Per accepted base: seed, side, step (1 = next to the seed), position in the
// written sequence (1-based; on a circle, bases past the junction repeat
// positions), base and its four votes, on the seed's strand,
// and the votes over the single-copy depth (empty without one).
std::string BaseRowsHeader();
std::string BaseRows(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides,
                     std::optional<double> singleCopyDepth);

// Per seed and side: how long the seed was, what was added, why it stopped
// and the votes of the stopping cycle, the length of the extended contig,
// the repeat guard's single-copy depth (empty without one), the topology
// ("circular" when a side closed a circle, else "linear") and the side's
// variant sites (empty when they were not looked for).
std::string SummaryRowsHeader();
std::string SummaryRows(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides,
                        std::optional<double> singleCopyDepth, bool variantsFound);

// Per variant site: seed, side, position in the extended contig (1-based),
// the accepted base and the runner-up, the four counts of the placed mates,
// the runner-up's share and the counts in all, on the seed's strand.
std::string VariantRows(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides);

}  // namespace lorvex::extend
