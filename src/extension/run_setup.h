// What every extension of a run starts from: the table and index, loaded
// once and only read afterwards, and the four numbers, with the rule that
// keeps every anchor window inside the contig.
#pragma once

#include <cstdint>
#include <string>

#include "base/variant.h"
#include "input/prefix_index.h"
#include "input/read_table.h"

namespace lorvex {

// The anchor windows start between minDistance and maxDistance bases behind
// the contig's end; a cycle needs minVotes votes in all, and the winner
// dominanceRatio times the other votes.
struct RunParameters {
    int32_t minDistance = 0;
    int32_t maxDistance = 0;
    int32_t minVotes = 0;
    float dominanceRatio = 0.0f;
};

struct RunInputs {
    TableStream table;
    PrefixIndex index;
};

// Measures the table, then loads the index against it; throws InputError.
RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath);

// The anchor windows the distances give (0 or less: none at all).
int64_t WindowCount(Variant variant, const RunParameters& parameters, int32_t readLength);

// When there are windows, refuses with a UsageError a minDistance below
// readLength (main) or 2 x readLength - 2 (strict), which would put a window
// past the contig's end. `name` is what the command line calls the distance.
void CheckMinDistance(Variant variant, const RunParameters& parameters, int32_t readLength,
                      const std::string& name);

}  // namespace lorvex
