// One run of lorvex-prep, in the order the data flows: open the inputs,
// sample the pairs at the start to settle the quality encoding and the read
// length, read and filter every pair into the grouping of the text table
// and into the compact table, write the text table and index in group order
// and the compact table's index, move them (and the statistics) into place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "prep/pair_filter.h"
#include "prep/pair_grouping.h"
#include "prep/pair_table_writer.h"
#include "prep/prep_options.h"
#include "prep/progress.h"
#include "prep/quality_encoding.h"
#include "prep/read_length_choice.h"
#include "prep/table_writer.h"

namespace lorvex::prep {

// The read length and the quality encoding are settled from the reads of at
// most this many pairs at the start of the input (and at most
// sampleBytesLimit bytes of them).
inline constexpr uint64_t samplePairLimit = 10000;
inline constexpr uint64_t sampleBytesLimit = 4 << 20;

// Memory set aside from the bound for everything but the grouping: input
// buffers and zlib state, output buffers, the program itself.
inline constexpr uint64_t reservedMemoryBytes = 24 << 20;

struct ReadLengthReport {
    int32_t used = 0;
    int32_t chosen = 0;  // what the default would be; 0 when no length fits
    bool given = false;  // -l
    uint64_t sampledPairs = 0;
    std::vector<LengthCandidate> candidates;  // among the sampled pairs
};

struct QualityReport {
    QualityEncoding encoding = QualityEncoding::Phred33;
    bool given = false;  // --phred33 or --phred64
    QualityRange sampled;
    uint64_t sampledReads = 0;
};

struct PrepSummary {
    TableFormat format = TableFormat::Text;
    OutputPaths paths;
    std::string statsName;  // empty without --stats
    ReadLengthReport length;
    QualityReport quality;
    bool bothOrientations = true;
    FilterCounts counts;
    LengthHistogram firstLengths, secondLengths;  // of all pairs read
    TableTotals table;
    GroupingTotals grouping;
    uint32_t leastReadLength = 0;  // of the compact table
    uint32_t voteQuality = 0;      // of the compact table
    PairTableTotals compact;
    uint64_t memoryBound = 0;
    uint64_t peakMemoryBytes = 0;
    double seconds = 0;
};

// Throws InputError for bad input, OutputError when the outputs cannot be
// written, Interrupted when stopped; nothing is left behind then.
PrepSummary RunPrep(const PrepOptions& options, ProgressMeter& progress);

}  // namespace lorvex::prep
