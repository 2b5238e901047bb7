#include "extension/stop_reason.h"

namespace lorvex {

const char* StopReasonLabel(StopReason reason) {
    switch (reason) {
        case StopReason::NoWindows: return "no-windows";
        case StopReason::SeedTooShort: return "seed-too-short";
        case StopReason::Repeat: return "repeat";
        case StopReason::NoVotes: return "no-votes";
        case StopReason::TooFewVotes: return "too-few-votes";
        case StopReason::NotDominant: return "not-dominant";
        case StopReason::RepetitiveTail: return "repetitive-tail";
        case StopReason::CapReached: return "cap-reached";
        case StopReason::Target: return "far-flank";
    }
    return "unknown";
}

}  // namespace lorvex
