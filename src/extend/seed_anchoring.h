// Where the mates of a seed's side anchor: the last --max-distance bases of
// the seed (the first, for its left side). A seed shorter than an estimated
// --max-distance is extended with the distance capped to its length rather
// than not at all, and a side that added nothing is told apart when Ns in
// that stretch left the mates nothing to anchor on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/variant.h"
#include "extension/run_setup.h"
#include "extension/side_extension.h"

namespace lorvex::extend {

// The seed's length when it is shorter than parameters.maxDistance and the
// windows of the capped distances still fit inside it; 0 when the seed keeps
// the run's distances (long enough, or too short even with the cap).
int32_t CappedMaxDistance(size_t seedLength, Variant variant, const RunParameters& parameters,
                          int32_t readLength);

// The bases other than A, C, G and T in the stretch where the side's mates
// anchor.
size_t UnanchoredBases(std::string_view seed, Side side, int32_t maxDistance);

}  // namespace lorvex::extend
