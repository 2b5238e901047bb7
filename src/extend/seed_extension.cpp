#include "extend/seed_extension.h"

#include "extension/circle_closing.h"

namespace lorvex::extend {

const char* SideName(Side side) {
    return side == Side::Left ? "left" : "right";
}

SeedExtension ExtendSeed(const SequenceRecord& seed, const RunInputs& inputs,
                         const ExtensionSettings& settings) {
    SeedExtension extension;
    extension.left.side = Side::Left;
    if (settings.bothSides) extension.left = ExtendSide(seed.bases, Side::Left, inputs, settings);
    const std::string& left = extension.left.bases;
    extension.right = ExtendSide(seed.bases, Side::Right, inputs, settings, {},
                                 std::string(left.rbegin(), left.rend()));
    return extension;
}

bool IsCircular(const SeedExtension& extension) {
    return extension.left.stop == StopReason::Circular ||
           extension.right.stop == StopReason::Circular;
}

int32_t CircleOverlap(const SeedExtension& extension) {
    return extension.right.stop == StopReason::Circular ? extension.right.circleOverlap
                                                        : extension.left.circleOverlap;
}

std::string WrittenSequence(const SequenceRecord& seed, const SeedExtension& extension) {
    const std::string contig = ExtendedContig(seed, extension);
    if (!IsCircular(extension)) return contig;
    return CircleFrom(contig, extension.left.bases.size(), CircleOverlap(extension));
}

size_t WrittenPosition(const SequenceRecord& seed, const SeedExtension& extension, size_t index) {
    if (!IsCircular(extension)) return index + 1;
    const size_t length = extension.left.bases.size() + seed.bases.size() +
                          extension.right.bases.size() - CircleOverlap(extension);
    const size_t start = extension.left.bases.size() % length;
    return (index % length + length - start) % length + 1;
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
