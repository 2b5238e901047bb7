// What a batch run of the extension engine is set up with, whichever
// program runs it: the table and index, the four numbers (or none, to
// estimate the distances), the variant, the repeat guard, the threads and
// the FASTA output. Each program embeds it beside its own options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "calling/continuation.h"
#include "extension/extend_contig.h"
#include "extension/run_setup.h"
#include "extension/variant_sites.h"

namespace lorvex {

inline constexpr int32_t defaultLineWidth = 60;
inline constexpr unsigned maxThreads = 256;
// --min-votes and --ratio when they are not given.
inline constexpr int32_t defaultMinVotes = 2;
inline constexpr float defaultDominanceRatio = 1.5f;
// --anchor-length when it is not given: 0 selects pairs on their whole first
// read (at most 100 bases), as lorvex does.
inline constexpr int32_t defaultAnchorLength = 0;
// --anchor-mismatches when the reads cannot tell.
inline constexpr int32_t defaultAnchorMismatches = 0;

struct RunSettings {
    std::string tablePath;
    std::string indexPath;
    RunParameters parameters;
    // Neither distance given: both are estimated from the known sequences.
    bool estimateDistances = false;
    // --anchor-mismatches left out: measured from the reads on the known
    // sequences (main variant).
    bool estimateAnchorMismatches = false;
    bool voteQualityGiven = false;  // --min-quality
    Variant variant = Variant::Main;
    unsigned threads = 1;
    int32_t cap = extensionCap;  // most bases one side adds
    // FASTA; "-" is standard output, for the programs' other outputs too.
    std::string outputPath = "-";
    int32_t lineWidth = defaultLineWidth;
    bool quiet = false;
    bool replaceOutputs = false;  // --force
    bool repeatGuard = true;
    std::optional<double> singleCopyDepth;  // --depth; none: estimated
    double minVariantShare = defaultMinVariantShare;
    bool endReads = true;  // --no-end-reads: a cycle has the mates' votes only
};

// The sequences known before a run (a batch's seeds, a scaffold's flanks):
// the distances and the single-copy depth are estimated on them.
struct KnownSequences {
    std::vector<std::string_view> sequences;
    std::string word;          // what one is called in messages: "seed", "flank"
    bool bothStrands = false;  // the run extends both sides of each
};

// The rules every extension of the run follows.
ExtensionRules RulesFor(const RunSettings& settings);

}  // namespace lorvex
