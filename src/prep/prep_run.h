// One run of lorvex-prep, in the order the data flows: open the inputs,
// settle the read length, read and filter every pair into the grouping,
// write the table and index in group order, move them into place.
#pragma once

#include <cstdint>
#include <string>

#include "prep/pair_filter.h"
#include "prep/pair_grouping.h"
#include "prep/prep_options.h"
#include "prep/progress.h"
#include "prep/table_writer.h"

namespace lorvex::prep {

// The read length is chosen from the reads of at most this many pairs at
// the start of the input (and at most sampleBytesLimit bytes of them).
inline constexpr uint64_t samplePairLimit = 10000;
inline constexpr uint64_t sampleBytesLimit = 4 << 20;

// Memory set aside from the bound for everything but the grouping: input
// buffers and zlib state, output buffers, the program itself.
inline constexpr uint64_t reservedMemoryBytes = 24 << 20;

struct PrepSummary {
    OutputPaths paths;
    int32_t readLength = 0;
    uint64_t sampledReads = 0;  // reads the length was chosen from; 0 when given
    bool bothOrientations = true;
    FilterCounts counts;
    TableTotals table;
    GroupingTotals grouping;
    uint64_t memoryBound = 0;
    uint64_t peakMemoryBytes = 0;
    double seconds = 0;
};

// Throws InputError for bad input, OutputError when the outputs cannot be
// written, Interrupted when stopped; nothing is left behind then.
PrepSummary RunPrep(const PrepOptions& options, ProgressMeter& progress);

// The closing lines on standard error.
std::string FormatSummary(const PrepSummary& summary);

}  // namespace lorvex::prep
