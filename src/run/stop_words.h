// The engine's stop reasons as the batch programs' outputs name them. Most
// read alike in every program; the two that speak of the known sequence
// take each program's own words.
#pragma once

#include "extension/stop_reason.h"

namespace lorvex {

struct StopWords {
    const char* tooShort;  // SeedTooShort: "seed-too-short", "flank-too-short"
    const char* target;    // Target: what the side extended towards, "far-flank"
};

// "no-windows", "window-past-end", "repeat", "no-votes", "too-few-votes",
// "not-dominant", "repetitive-tail", "cap-reached", "circular", or one of
// `words`.
const char* StopLabel(StopReason reason, const StopWords& words);

}  // namespace lorvex
