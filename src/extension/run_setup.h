// What every extension of a run starts from: the table and index, loaded
// once and only read afterwards, and the four numbers, with the rule that
// keeps every anchor window inside the contig.
#pragma once

#include <cstdint>
#include <optional>
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
// When either fails and the first lines show a prefix index given as the
// table or a table given as the index, the message says so instead of
// naming a broken field, ending with `order` (how the command line orders
// the two) when the two are swapped.
RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath,
                        const std::string& order = "");

// What a command line calls the four numbers, for its messages.
struct ParameterNames {
    std::string minDistance = "MIN_DISTANCE";
    std::string maxDistance = "MAX_DISTANCE";
    std::string minVotes = "MIN_VOTES";
    std::string dominanceRatio = "DOMINANCE_RATIO";
};

// The spelling of the option-style programs (lorvex-extend and the like).
inline const ParameterNames optionNames{"--min-distance", "--max-distance", "--min-votes",
                                        "--ratio"};

// Why no run can mean these numbers, whatever the read length (a negative
// minVotes or dominanceRatio, and in the main variant a minDistance above
// maxDistance; the strict one anchors up to R - 2 bases nearer than
// minDistance), or nothing. The option-style programs refuse such numbers;
// lorvex and lorvex-strict run them as given.
std::optional<std::string> ImpossibleParameters(Variant variant, const RunParameters& parameters,
                                                const ParameterNames& names);

// A warning when no mate can reach the contig's end from any window, for
// reads of readLength bases: a vote
// needs an overlap of 20 to readLength - 1 bases, so reads of 20 bases or
// fewer never vote, whatever the distances. Nothing otherwise.
std::optional<std::string> UnreachableWindows(int32_t readLength);

// The anchor windows the distances give (0 or less: none at all).
int64_t WindowCount(Variant variant, const RunParameters& parameters, int32_t readLength);

// When there are windows, refuses with a UsageError a minDistance below
// readLength (main) or 2 x readLength - 2 (strict), which would put a window
// past the contig's end.
void CheckMinDistance(Variant variant, const RunParameters& parameters, int32_t readLength,
                      const ParameterNames& names = {});

// The option-style programs' check of the numbers a run goes ahead with,
// once the read length is known: throws UsageError for ImpossibleParameters,
// for distances that give no window and for CheckMinDistance, and returns
// the UnreachableWindows warning.
std::optional<std::string> CheckRunParameters(Variant variant, const RunParameters& parameters,
                                              int32_t readLength,
                                              const ParameterNames& names = optionNames);

}  // namespace lorvex
