// One seed of a batch, extended on its right and, on request, its left side
// (see extension/side_extension.h). The left side goes first, so the right
// side can meet it on a circular genome.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Whether a side closed a circle; the bases at the end of ExtendedContig
// that repeat its start (0 when open).
bool IsCircular(const SeedExtension& extension);
int32_t CircleOverlap(const SeedExtension& extension);

// What is written for the seed: ExtendedContig, or for a circle the genome
// once, starting at the seed's first base.
std::string WrittenSequence(const SequenceRecord& seed, const SeedExtension& extension);

// Where the base at contig index `index` (0-based) of ExtendedContig lies in
// WrittenSequence, 1-based.
size_t WrittenPosition(const SequenceRecord& seed, const SeedExtension& extension, size_t index);

}  // namespace lorvex::extend
