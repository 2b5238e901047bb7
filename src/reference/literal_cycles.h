// The literal cycles: the queue set holds mate strings, filled and moved on
// by InitQueues and UpdateQueues, and every cycle calls CountNextBase, which
// compares every mate with the contig's end at every overlap length. Passed
// as ExtensionRules::makeCycles, they run the engine's loop the way it was
// first written, for the tests and benchmarks to hold the fast cycles against.
#pragma once

#include <memory>

#include "extension/cycles.h"

namespace lorvex {

std::unique_ptr<ExtensionCycles> MakeLiteralCycles(const CyclesSetup& setup);

}  // namespace lorvex
