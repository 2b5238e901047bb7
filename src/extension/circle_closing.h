// Closing a circle: a side that comes back onto the sequence the contig
// started with has gone round a circular genome. A few matching bases prove
// nothing (a short repeat, a chance match), so the side must reproduce the
// contig's first `overlap` bases, more than a read pair spans. The bases
// just past the junction are voted by pairs anchored before it, so a copy of
// the start shorter than the overlap makes the side leave the start's
// sequence before the overlap is whole, and the circle stays open.
#pragma once

#include <cstdint>
#include <string>

#include "extension/extend_contig.h"
#include "extension/run_setup.h"

namespace lorvex {

// The bases the end must repeat of the start: the largest anchor distance
// and a read length, so that the first of them were voted only by pairs
// spanning the junction.
int32_t JunctionOverlap(const RunParameters& parameters, int32_t readLength);

// An observer for ExtensionHooks that ends the run with StopReason::Circular
// once `heldBefore` followed by the contig ends with its own first `overlap`
// bases, at least `overlap` of its bases were chosen by votes (the seed
// proves nothing) and the circle is no shorter than the overlap. heldBefore
// is what an earlier extension put before the sequence being extended (the
// other side's bases, all chosen by votes).
CycleObserver CircleObserver(std::string heldBefore, int32_t overlap);

// The circle that a closed contig holds, once, starting at contig[start]:
// the contig repeats its first `overlap` bases at its end, so the genome is
// its first size - overlap bases.
std::string CircleFrom(const std::string& contig, size_t start, int32_t overlap);

}  // namespace lorvex
