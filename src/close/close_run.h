// A whole lorvex-close run: scaffolds, table and index loaded and checked,
// the distances and the single-copy depth settled on the flanks, the gaps
// closed in parallel, and the scaffolds written in input order.
#pragma once

#include <string>

#include "close/close_options.h"
#include "tool/progress_line.h"

namespace lorvex::close {

// Returns the closing summary ("lorvex-close: 100 gaps in 4 records: 86
// closed (95,432 bases), 14 open (no-overlap 10, ...) in 12.3 s; single-copy
// depth 15.0 (estimated); peak memory 201.3 MiB"). Throws UsageError
// (distances the read length does not allow, an estimate that is not
// sound), InputError and OutputError.
std::string RunClose(const CloseOptions& options, ProgressLine& progress);

}  // namespace lorvex::close
