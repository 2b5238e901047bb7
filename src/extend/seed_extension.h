// One seed of a batch, extended on its right and, on request, its left side
// (see extension/side_extension.h).
#pragma once

#include <string>

#include "extension/run_setup.h"
#include "extension/side_extension.h"
#include "input/fasta_records.h"

namespace lorvex::extend {

const char* SideName(Side side);  // "left", "right"

struct SeedExtension {
    SideExtension left;  // only meaningful with bothSides
    SideExtension right;
};

SeedExtension ExtendSeed(const SequenceRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings);

// Left extension (turned back), seed, right extension.
std::string ExtendedContig(const SequenceRecord& seed, const SeedExtension& extension);

}  // namespace lorvex::extend
