// Closing a circle: a side that comes back onto the sequence the contig
// started with has gone round a circular genome. A few matching bases prove
// nothing (a short repeat, a chance match), so the side must reproduce the
// contig's start for more than a read pair spans: the bases just past the
// junction are voted by pairs anchored before it, so a copy of the start
// shorter than the overlap makes the side leave the start's sequence before
// the overlap is whole, and the circle stays open. A copy longer than the
// overlap shows in the depth of the overlap's last votes instead.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "extension/extend_contig.h"
#include "extension/run_setup.h"

namespace lorvex {

// What closes a circle: the contig's end must repeat its first `overlap`
// bases. The first maxDistance of them were voted by pairs anchored before
// the junction, that is pairs spanning it; the last `depthWindow` (a read
// length more than maxDistance) by pairs anchored inside the overlap, whose
// votes show whether the overlap lies in one copy or in a repeat.
struct CircleRule {
    int32_t overlap = 0;
    int32_t depthWindow = 0;
};
CircleRule CircleRuleFor(const RunParameters& parameters, int32_t readLength);

// The part of the single-copy depth D that the median votes of the depth
// window must stay below: a repeat of two agreeing copies draws about 2 D.
inline constexpr double circleDepthLimit = 1.5;

// An observer for ExtensionHooks that ends the run with StopReason::Circular
// once `heldBefore` followed by the contig ends with its own first
// rule.overlap bases, at least that many of its bases were chosen by votes
// (the seed proves nothing) and the circle is no shorter than the overlap.
// heldBefore is what an earlier extension put before the sequence being
// extended (the other side's bases, all chosen by votes, and checked by
// it). With a single-copy depth, the median votes of the side's own bases
// among the last rule.depthWindow must also be below circleDepthLimit x D:
// an overlap inside a repeat longer than it (the contig's start in one copy,
// its end in another) proves nothing either.
CycleObserver CircleObserver(std::string heldBefore, CircleRule rule,
                             std::optional<double> singleCopyDepth = std::nullopt);

// The circle that a closed contig holds, once, starting at contig[start]:
// the contig repeats its first `overlap` bases at its end, so the genome is
// its first size - overlap bases.
std::string CircleFrom(const std::string& contig, size_t start, int32_t overlap);

}  // namespace lorvex
