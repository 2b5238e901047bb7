// A whole lorvex-close run: scaffolds, table and index loaded and checked,
// the distances and the single-copy depth settled on the flanks, the gaps
// closed in parallel, and the scaffolds written in input order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "close/close_options.h"
#include "close/gap_closing.h"
#include "extend/repeat_guard_setup.h"

namespace lorvex::close {

struct CloseTotals {
    size_t records = 0;
    size_t gaps = 0;
    size_t closed = 0;
    int64_t basesFilled = 0;  // bases of the closed gaps' fills
    std::map<OpenReason, size_t> open;
    double seconds = 0;
    extend::GuardSetting guard;
};

// Throws UsageError (distances the read length does not allow, an estimate
// that is not sound), InputError and OutputError. Shows progress on standard
// error when `showProgress`.
CloseTotals RunClose(const CloseOptions& options, bool showProgress);

// "lorvex-close: 100 gaps in 4 records: 86 closed (95,432 bases), 14 open
// (no-overlap 10, ...) in 12.3 s; single-copy depth 15.0 (estimated); peak
// memory 201.3 MiB"
std::string FormatTotals(const CloseTotals& totals);

}  // namespace lorvex::close
