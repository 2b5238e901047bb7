// The run driver: the command line, start-up (seed, table, index, queues),
// the extension loop and its output lines, shared by lorvex and
// lorvex-strict, which differ only in the Variant they pass.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "calling/base_choice.h"
#include "calling/continuation.h"
#include "calling/overlap_voting.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "mates/mate_queues.h"

namespace lorvex {

// A command line that cannot be run (status 2).
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Standard output could not be written (status 1).
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct RunParameters {
    int32_t minDistance = 0;
    int32_t maxDistance = 0;
    int32_t minVotes = 0;
    float dominanceRatio = 0.0f;
};

// Why an extension ended.
enum class StopReason { NoWindows, NoVotes, RepetitiveTail, TooFewVotes, NotDominant, CapReached };

const char* StopReasonName(StopReason reason);

// The table and index, loaded once and only read afterwards.
struct RunInputs {
    TableStream table;
    PrefixIndex index;
};

RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath);

// Refuses, when the run has windows at all, distances that would put an
// anchor window outside the contig: the seed must hold maxDistance bases and
// minDistance must be at least readLength (main) or 2 x readLength - 2 (strict).
void CheckWindowLimits(Variant variant, const RunParameters& parameters, int32_t readLength,
                       size_t seedLength);

struct ExtensionOutcome {
    StopReason reason = StopReason::NoWindows;
    BaseVotes stopVotes;   // the votes of the cycle that ended the run
    int32_t accepted = 0;  // bases printed
};

// How the extension cycles are computed; all give the same output byte for
// byte. Literal runs the reference functions (GetAllPairedReads,
// CountNextBase, UpdateQueues) as written; Bitset keeps per-mate overlap bit
// sets updated by each appended base; Fast follows only the overlaps of 20
// bases or more (overlap tracking). Bitset and Fast look mates up without a
// string per field. The programs use Fast; the others are there to be
// checked and measured against.
enum class Engine { Literal, Bitset, Fast };

// Called for every accepted base with the votes that chose it.
using AcceptedBaseSink = std::function<void(char base, const BaseVotes& votes)>;

// Fills the queue set and runs extension cycles until a check fails. The
// contig keeps every appended base, including the one of the failing cycle.
// All state of the run lives inside the call; inputs are only read (lookups
// use positioned reads), so several threads may extend different contigs
// from one RunInputs, each with its own TieBreakSource.
ExtensionOutcome ExtendContig(std::string& contig, const RunInputs& inputs,
                              const RunParameters& parameters, Variant variant,
                              TieBreakSource& tieBreaks, const AcceptedBaseSink& onAccepted,
                              int32_t cap = extensionCap, Engine engine = Engine::Fast);

// A whole program run: arguments, start-up, extension, output; returns the
// exit status. Messages go to standard error as "<program>: <what>".
int RunProgram(int argc, char** argv, Variant variant, Engine engine = Engine::Fast);

// The numeric arguments, whole numbers only (strtol rules for the value).
int32_t ParseIntegerArgument(const std::string& text, const std::string& name);
float ParseRatioArgument(const std::string& text, const std::string& name);

}  // namespace lorvex
