// Joining the two extended sides of a gap. The left flank Lf, extended
// rightwards by E_L, and the right flank Rf, extended leftwards by E_R
// (turned back onto the scaffold's strand), give S_L = Lf + E_L and
// S_R = E_R + Rf. A placement is an overlap of o bases where S_L's last o
// bases equal S_R's first o bases exactly; it is valid when o is at least
// the minimum overlap, the two sides added at least one base between them
// (so the overlap holds an extended base), and the flanks themselves overlap
// by less than the shorter flank (the fill below is longer than minus that).
// Exactly one valid placement joins the gap; the fill is what lies between
// Lf and Rf in S_L + S_R[o:], e_L + e_R - o bases long, negative when the
// flanks overlap. One side may be empty: E_L running into Rf itself is the
// same test.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lorvex::close {

struct GapSides {
    std::string_view leftFlank;
    std::string_view leftExtension;
    std::string_view rightExtension;  // on the scaffold's strand, ending next to rightFlank
    std::string_view rightFlank;
};

enum class JoinVerdict { Joined, NoOverlap, Ambiguous };

struct GapJoin {
    JoinVerdict verdict = JoinVerdict::NoOverlap;
    int64_t placements = 0;  // valid placements seen (2 or more: ambiguous)
    int64_t overlap = 0;     // when joined
    int64_t fillLength = 0;  // when joined; negative: the flanks overlap by that much
    std::string fill;        // when joined with a fill of 0 bases or more
};

GapJoin JoinSides(const GapSides& sides, int64_t minOverlap);

// Whether an extension has reached its target (the far flank's first bases,
// on the strand being extended) at one place only: the contig ends with the
// target, and the target occurs nowhere else in the extension and the
// flank's last bases before it. flankLength counts the contig's bases that
// are flank.
bool ReachedTargetOnce(std::string_view contig, int64_t flankLength, std::string_view target);

}  // namespace lorvex::close
