// Fragment lengths read off the sequences themselves. Every window of a
// sequence is looked up as the extension looks up an anchor window; each
// selected mate, already in the sequence's orientation, is then placed
// further along the same sequence, and the distance from the window's start
// to the mate's end is the length of the fragment the pair came from.
//
// A mate is placed through a table of the sequence's k-mers, probed at its
// start, middle and end so that a sequencing error in one probe does not
// lose it, and then compared whole, with a few mismatches allowed. A mate
// that fits at more than one place (a repeat inside the sequence) says
// nothing certain about its fragment and is left out, and so are the pairs
// of a window that anchors more than 4 x (the median of the sequence's
// windows) + 4 pairs: a window shared by many copies of a repeat, whose mates
// fit copies inside the sequence with the mismatches a placement allows.
// The table holds every pair in both orientations, so the forward windows
// alone meet every fragment once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/variant.h"
#include "extension/run_setup.h"

namespace lorvex {

// Of a longer sequence only its last bases are looked at: they hold
// thousands of pairs at any useful coverage, and time and memory stay
// bounded by this much per sequence.
inline constexpr size_t mostSampledBases = 100000;

struct FragmentSample {
    int32_t readLength = 0;
    // One per placed pair, ascending (so the sample does not depend on the
    // order in which sequences were looked at).
    std::vector<int32_t> fragmentLengths;
    // The lengths of every stretch looked at, ascending: where a fragment of
    // a given length could have been seen at all.
    std::vector<int32_t> sequenceLengths;
    uint64_t mates = 0;      // selected mates looked for
    uint64_t unplaced = 0;   // not found in their sequence (or not downstream)
    uint64_t ambiguous = 0;  // found at more than one place, or on a crowded window
};

// The last mostSampledBases of the sequence (all of a shorter one).
std::string_view SampledStretch(std::string_view sequence);

// Most mismatches a placed mate may have against the sequence: a tenth of
// the read, enough for the errors of a read and far too few for a chance fit.
int32_t PlacementMismatches(int32_t readLength);

// Samples every window of every sequence, with `threads` threads (at least
// one); the result is the same for any thread count. Windows are compared as
// the variant compares them. Throws InputError for a damaged table.
FragmentSample SampleFragments(const std::vector<std::string_view>& sequences,
                               const RunInputs& inputs, Variant variant, unsigned threads);

}  // namespace lorvex
