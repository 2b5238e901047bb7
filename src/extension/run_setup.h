// What every extension of a run starts from: the table and index, loaded
// once and only read afterwards, and the four numbers, with the rule that
// keeps every anchor window inside the contig.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/variant.h"
#include "input/pair_table.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "mates/mate_fetch.h"

namespace lorvex {

// The anchor windows start between minDistance and maxDistance bases behind
// the contig's end; a cycle needs minVotes votes in all, and the winner
// dominanceRatio times the other votes.
struct RunParameters {
    int32_t minDistance = 0;
    int32_t maxDistance = 0;
    int32_t minVotes = 0;
    float dominanceRatio = 0.0f;
    // Main variant: a pair is selected when its first read equals the window
    // on its first anchorLength bases, and windows may then start as near as
    // anchorLength bases behind the end. 0: the variant's own rule (the
    // first min(R, 100) bases, windows at least R bases behind the end).
    int32_t anchorLength = 0;
    // Mismatches a first read may have with its window past the index key.
    int32_t anchorMismatches = 0;
    // A mate's base votes when its quality is voteQuality or more (30, the
    // rule of lorvex and lorvex-strict, leaves the qualities as they are).
    int32_t voteQuality = static_cast<int32_t>(pairTableVoteQuality);
    // With mismatches allowed, the mates whose anchors have them only at
    // bases the first read doubts (below voteQuality) are also counted on
    // their own; where their votes and the cycle's pass the checks on
    // different bases, theirs decide. A first read of another copy of a
    // repeat, or of another haplotype, differs from the contig at bases it
    // is sure of, so those mates can outvote the contig's own copy; they
    // still count for the repeat guard.
    bool cleanAnchorsDecide = false;
};

// The read pairs of a run in one of two forms: the text table with its
// prefix index, or the compact table (pairs set), which holds its own index
// and reads of every length.
struct RunInputs {
    TableStream table;
    PrefixIndex index;
    std::unique_ptr<PairTable> pairs;

    bool Compact() const { return pairs != nullptr; }
    // R: the text table's read length, or the compact table's longest read.
    int32_t ReadLength() const {
        return pairs ? static_cast<int32_t>(pairs->header().longestRead) : table.layout.readLength;
    }
};

// Measures the table, then loads the index against it; throws InputError.
// When either fails and the first lines show a prefix index given as the
// table or a table given as the index, the message says so instead of
// naming a broken field, ending with `order` (how the command line orders
// the two) when the two are swapped.
RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath,
                        const std::string& order = "");

// The batch programs' inputs: a compact table (told by its content) or a
// text table with its index. A compact table is refused with an index (it
// holds its own), a text table without one or with a compact table as its
// index (UsageError); a compact table without pairs is refused too
// (InputError).
RunInputs LoadEitherRunInputs(const std::string& tablePath, const std::string& indexPath,
                              const std::string& order = "");

// Looks up the window's first anchor.length bytes in whichever form the
// inputs hold: mates of ReadLength() bases, the shorter ones padded.
void FetchMates(const char* window, const RunInputs& inputs, const AnchorRule& anchor,
                SelectedMates& selected);

// The anchor rule of a lookup by the variant's compare length, no mismatches.
AnchorRule VariantAnchor(const RunInputs& inputs, Variant variant);

// What makes numbers unusable for a run, as a value: the programs word it.
// In the order the checks run.
enum class ParameterFault {
    None,
    MinAboveMax,       // main variant: minDistance above maxDistance
    NegativeMinVotes,  // minVotes below 0
    NegativeRatio,     // dominanceRatio below 0
    NoWindows,         // the distances give no anchor window for the read length
    WindowPastEnd,     // minDistance below LeastMinDistance: a window past the contig's end
};

// The faults no read length can mend (MinAboveMax, NegativeMinVotes,
// NegativeRatio; the strict variant anchors up to R - 2 bases nearer than
// minDistance, so its minDistance may exceed maxDistance), or None. The
// option-style programs refuse such numbers; lorvex and lorvex-strict run
// them as given.
ParameterFault ImpossibleParameters(Variant variant, const RunParameters& parameters);

// The anchor windows the distances give (0 or less: none at all).
int64_t WindowCount(Variant variant, const RunParameters& parameters, int32_t readLength);

// How a first read must lie on its window: over the parameters' anchorLength
// (main variant, at most the read length), else the variant's own compare
// length, with the parameters' mismatches.
AnchorRule RunAnchor(Variant variant, const RunParameters& parameters, int32_t readLength);

// The least minDistance that keeps every window inside the contig: the read
// length (main) or the anchor length when one is given, twice the read
// length minus 2 (strict).
int64_t LeastMinDistance(Variant variant, const RunParameters& parameters, int32_t readLength);

// Whether there are windows and minDistance puts one past the contig's end.
bool WindowPastEnd(Variant variant, const RunParameters& parameters, int32_t readLength);

// The first fault of a run at this read length: ImpossibleParameters, then
// NoWindows, then WindowPastEnd; None when the run can go ahead.
ParameterFault RunParameterFault(Variant variant, const RunParameters& parameters,
                                 int32_t readLength);

// Whether reads of readLength bases can vote at all: a vote needs an
// overlap of minimumOverlap to readLength - 1 bases, so reads of
// minimumOverlap bases or fewer never vote, whatever the distances.
bool MatesCanVote(int32_t readLength);

}  // namespace lorvex
