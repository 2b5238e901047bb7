// Why an extension ended: the checks of a cycle, the cap, or a run that
// could not start. Values only: each program names them in its own words.
#pragma once

namespace lorvex {

// In the order summaries list them.
enum class StopReason {
    NoWindows,       // the distances give no anchor window; nothing is added
    SeedTooShort,    // the known sequence is shorter than maxDistance; nothing is added
    WindowPastEnd,   // minDistance would put a window past the contig's end; nothing is added
    Repeat,          // the votes showed the contig's end in more than one copy (repeat guard)
    NoVotes,         // no mate voted
    TooFewVotes,     // the votes totalled less than minVotes
    NotDominant,     // the winner held less than dominanceRatio times the others
    RepetitiveTail,  // the last read length of the contig was one repeated base
    CapReached,      // the cap on added bases was reached
    Target,          // the caller's observer found what it extended towards
    Circular,        // the contig came back onto its own start (circle_closing.h)
};

}  // namespace lorvex
