#include "extension/cycles.h"

#include "calling/overlap_tracking.h"
#include "extension/incremental_cycles.h"
#include "mates/mates_ahead.h"

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

std::unique_ptr<ExtensionCycles> MakeTrackedCycles(const CyclesSetup& setup, TableReadMode mode) {
    return std::make_unique<IncrementalCycles<TrackedQueueSet, MatesAhead>>(
        setup, TrackedQueueSet(setup.windows, setup.inputs.table.layout.readLength),
        MatesAhead(setup.inputs.table, setup.inputs.index, setup.variant, mode));
}

}  // namespace

std::unique_ptr<ExtensionCycles> MakeFastCycles(const CyclesSetup& setup) {
    return MakeTrackedCycles(setup, TableReadMode::Batched);
}

std::unique_ptr<ExtensionCycles> MakeFastCyclesReadingOneByOne(const CyclesSetup& setup) {
    return MakeTrackedCycles(setup, TableReadMode::Positioned);
}

}  // namespace lorvex
