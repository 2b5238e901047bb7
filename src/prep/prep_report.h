// What lorvex-prep tells about a run: the closing summary on standard error
// and the --stats table.
#pragma once

#include <string>

#include "prep/prep_run.h"

namespace lorvex::prep {

// More than this share of the pairs dropped and the summary shows what other
// read lengths would keep.
inline constexpr double candidatesShownAboveDropped = 0.10;

// "12 with a read shorter than 70 bases, 3 with a base other than A, C, G, T
// (N, . or another) in the first 70".
std::string DropText(const FilterCounts& counts, int32_t readLength);

// "12 with a read shorter than 21 bases": what the compact table left out.
std::string CompactDropText(const PairTableTotals& totals, uint32_t leastReadLength);

// The closing lines on standard error.
std::string FormatSummary(const PrepSummary& summary);

// The --stats TSV: the columns section, key, value and share (of all pairs,
// or of the sampled pairs for the candidates; empty where a share means
// nothing). Sections: pairs (read; kept, for the text table), and for the
// text table dropped (by rule), read_length (used, default, source,
// sampled_pairs) and candidate (one row per R: pairs kept among the sampled
// pairs); quality (encoding, source); for the compact table compact (kept,
// short_read, min_read_length, shortest_read, longest_read, bases, bytes);
// and length_read1, length_read2 (one row per read length seen: reads).
std::string FormatStats(const PrepSummary& summary);

}  // namespace lorvex::prep
