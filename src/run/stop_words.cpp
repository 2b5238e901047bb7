#include "run/stop_words.h"

namespace lorvex {

const char* StopLabel(StopReason reason, const StopWords& words) {
    switch (reason) {
        case StopReason::NoWindows: return "no-windows";
        case StopReason::SeedTooShort: return words.tooShort;
        case StopReason::WindowPastEnd: return "window-past-end";
        case StopReason::Repeat: return "repeat";
        case StopReason::NoVotes: return "no-votes";
        case StopReason::TooFewVotes: return "too-few-votes";
        case StopReason::NotDominant: return "not-dominant";
        case StopReason::RepetitiveTail: return "repetitive-tail";
        case StopReason::CapReached: return "cap-reached";
        case StopReason::Target: return words.target;
        case StopReason::Circular: return "circular";
    }
    return "unknown";
}

}  // namespace lorvex
