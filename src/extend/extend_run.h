// A whole lorvex-extend run: seeds, table and index loaded once, the seeds
// extended (in parallel when asked) and every output written in input order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "extend/extend_options.h"
#include "extend/repeat_guard_setup.h"
#include "extend/seed_extension.h"
#include "extension/stop_reason.h"

namespace lorvex::extend {

struct RunTotals {
    size_t seeds = 0;
    uint64_t basesAdded = 0;
    std::map<StopReason, size_t> stops;  // sides per stop
    double seconds = 0;
    GuardSetting guard;
};

// Settles the distances first (estimated when not given), then the repeat
// guard's depth; with --estimate-only the run ends there. Throws UsageError (distances the read
// length does not allow, an estimate that is not sound), InputError (a seed
// file, table or index that cannot be read or is broken) and OutputError (an
// output that cannot be written). Shows progress on standard error when
// `showProgress`.
RunTotals RunExtend(const ExtendOptions& requested, bool showProgress);

// "lorvex-extend: 1,000 seeds: 123,456 bases added in 3.2 s; stops: ...;
// single-copy depth 19 (estimated); peak memory 201.3 MiB"
std::string FormatTotals(const RunTotals& totals);

}  // namespace lorvex::extend
