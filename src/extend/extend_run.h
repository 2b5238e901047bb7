// A whole lorvex-extend run: seeds, table and index loaded once, the seeds
// extended (in parallel when asked) and every output written in input order.
#pragma once

#include <string>

#include "extend/extend_options.h"
#include "tool/progress_line.h"

namespace lorvex::extend {

// Settles the distances first (estimated when not given), then the repeat
// guard's depth; with --estimate-only the run ends there. Returns the
// closing summary ("lorvex-extend: 1,000 seeds: 123,456 bases added in 3.2
// s; stops: ...; single-copy depth 19 (estimated); peak memory 201.3 MiB"),
// none with --estimate-only. Throws UsageError (distances the read length
// does not allow, an estimate that is not sound), InputError (a seed file,
// table or index that cannot be read or is broken) and OutputError (an
// output that cannot be written).
std::string RunExtend(const ExtendOptions& options, ProgressLine& progress);

}  // namespace lorvex::extend
