// --gaps-tsv: one row per gap, in input order.
#pragma once

#include <string>

#include "close/gap_closing.h"

namespace lorvex::close {

// record gap start length status closed_length left_bases right_bases
// overlap left_stop right_stop reason
std::string GapRowsHeader();

// gapNumber counts from 1 within the record; start is 1-based. closed_length
// and overlap are those of the one valid placement (also for a gap left open
// as length-out-of-range), empty without one; a side not run shows "-".
std::string GapRow(const std::string& record, size_t gapNumber, const GapOutcome& outcome);

// A side's stop as the row shows it: the shared words (run/stop_words.h),
// flank-too-short for a flank shorter than --max-distance, far-flank for a
// side that reached the other flank, "-" for a side not run.
std::string SideStopLabel(const SideOutcome& side);

}  // namespace lorvex::close
