// The bit-set cycles: every mate keeps the bit set of its matching overlaps
// at every length, moved on by every appended base, so a vote costs a few
// word operations instead of R - 20 string comparisons, but every queued
// mate costs something in every cycle. Passed as ExtensionRules::makeCycles,
// they are held against the fast cycles and measured beside them.
#pragma once

#include <memory>

#include "extension/cycles.h"

namespace lorvex {

std::unique_ptr<ExtensionCycles> MakeBitsetCycles(const CyclesSetup& setup);

}  // namespace lorvex
