#include "extension/cycles.h"

#include "calling/overlap_tracking.h"
#include "extension/incremental_cycles.h"
#include "mates/mates_ahead.h"
#include "mates/pair_table_mates.h"

namespace lorvex {

BaseVotes CycleVotes(const TrackedQueueSet& queues, Variant variant) {
    return queues.Votes(variant);
}

void AddCycleMate(TrackedQueueSet& queues, size_t slot, const char* mate, const uint8_t* quality,
                  const std::string& contig) {
    queues.AddMate(slot, mate, quality, contig);
}

void MoveCycleOn(TrackedQueueSet& queues, const std::string& contig) {
    queues.RecycleOldestSlot();
    queues.Append(contig);
}

int64_t CycleMates(const TrackedQueueSet& queues) {
    return queues.MateCount();
}

namespace {

AnchorRule AnchorOf(const CyclesSetup& setup) {
    const int32_t readLength = setup.inputs.ReadLength();
    if (setup.anchor.length > 0) return CutToReadLength(setup.anchor, readLength);
    AnchorRule anchor = setup.anchor;
    anchor.length = FirstReadCompareLength(readLength, setup.variant);
    return anchor;
}

template <typename MateSource>
std::unique_ptr<ExtensionCycles> MakeCyclesWith(const CyclesSetup& setup, MateSource mates) {
    const int32_t readLength = setup.inputs.ReadLength();
    if (setup.anchor.markSureMismatches)
        return std::make_unique<IncrementalCycles<TrackedQueueSet, MateSource>>(
            setup, TrackedQueueSet(setup.windows, readLength),
            TrackedQueueSet(setup.windows, readLength), std::move(mates));
    return std::make_unique<IncrementalCycles<TrackedQueueSet, MateSource>>(
        setup, TrackedQueueSet(setup.windows, readLength), std::move(mates));
}

std::unique_ptr<ExtensionCycles> MakeTrackedCycles(const CyclesSetup& setup, TableReadMode mode) {
    // One form of lookup per run, chosen here: the cycles call it per window.
    if (setup.inputs.pairs)
        return MakeCyclesWith(
            setup, PairTableMates(*setup.inputs.pairs, AnchorOf(setup), setup.inputs.ReadLength()));
    return MakeCyclesWith(
        setup, MatesAhead(setup.inputs.table, setup.inputs.index, AnchorOf(setup), mode));
}

}  // namespace

std::unique_ptr<ExtensionCycles> MakeFastCycles(const CyclesSetup& setup) {
    return MakeTrackedCycles(setup, TableReadMode::Batched);
}

std::unique_ptr<ExtensionCycles> MakeFastCyclesReadingOneByOne(const CyclesSetup& setup) {
    return MakeTrackedCycles(setup, TableReadMode::Positioned);
}

}  // namespace lorvex
