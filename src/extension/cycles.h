// The cycles of an extension, behind the steps its loop takes: fill the
// queue set, count a cycle's votes, move the windows on after an append.
// The loop takes them as a plug-in: the programs run the fast cycles made
// here, and the reference library offers the literal cycles, which compute
// the same votes as first written, and the bit-set cycles, so that the loop
// can be held against them and measured beside them.
//
// The fast cycles keep the windows of the literal queue set in the same
// slots, and follow only the overlaps of 20 bases or more of every mate
// (calling/overlap_tracking.h), so that a cycle costs in proportion to the
// mates that overlap the contig's end; mates are looked up without a string
// per field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/variant.h"
#include "calling/overlap_voting.h"
#include "extension/run_setup.h"
#include "mates/mate_fetch.h"

namespace lorvex {

// What the cycles of one extension work from.
struct CyclesSetup {
    const RunInputs& inputs;
    int32_t maxDistance = 0;
    Variant variant = Variant::Main;
    size_t windows = 0;  // slots of the queue set
    // How first reads must lie on their windows; a length of 0 for the
    // variant's own rule (the fast cycles only; the reference cycles always
    // use the variant's).
    AnchorRule anchor;
};

class ExtensionCycles {
  public:
    virtual ~ExtensionCycles() = default;
    // Fills the queue set for the contig as the run starts.
    virtual void Start(const std::string& contig) = 0;
    // The votes for the base after the contig's end.
    virtual BaseVotes Votes(const std::string& contig) const = 0;
    // Moves every window on by the base just appended to the contig.
    virtual void AfterAppend(const std::string& contig) = 0;
    // The mates the queue set holds.
    virtual int64_t QueuedMates() const = 0;
    // With AnchorRule::markSureMismatches, the votes of the mates whose
    // first read has a mismatch at a base of voting quality (a part of
    // Votes(): every mate votes on its own); none otherwise.
    virtual std::optional<BaseVotes> SureVotes() const { return std::nullopt; }
};

// Called once the windows are known to lie inside the contig.
using MakeCycles = std::unique_ptr<ExtensionCycles> (*)(const CyclesSetup& setup);

// The programs' cycles: the groups of the windows to come are read ahead,
// many with one system call where the kernel allows it (mates/mates_ahead.h).
std::unique_ptr<ExtensionCycles> MakeFastCycles(const CyclesSetup& setup);
// The same cycles with one positioned read per group, as where io_uring is
// unavailable.
std::unique_ptr<ExtensionCycles> MakeFastCyclesReadingOneByOne(const CyclesSetup& setup);

}  // namespace lorvex
