#include "extend/seed_extension.h"

namespace lorvex::extend {

const char* SideName(Side side) {
    return side == Side::Left ? "left" : "right";
}

SeedExtension ExtendSeed(const SequenceRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings) {
    SeedExtension extension;
    extension.left.side = Side::Left;
    if (settings.bothSides) extension.left = ExtendSide(seed.bases, Side::Left, inputs, settings);
    extension.right = ExtendSide(seed.bases, Side::Right, inputs, settings);
    return extension;
}

std::string ExtendedContig(const SequenceRecord& seed, const SeedExtension& extension) {
    std::string contig;
    contig.reserve(extension.left.bases.size() + seed.bases.size() + extension.right.bases.size());
    contig.append(extension.left.bases.rbegin(), extension.left.bases.rend());
    contig += seed.bases;
    contig += extension.right.bases;
    return contig;
}

}  // namespace lorvex::extend
