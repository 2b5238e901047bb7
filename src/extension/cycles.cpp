#include "extension/cycles.h"

#include "calling/overlap_tracking.h"
#include "extension/incremental_cycles.h"

namespace lorvex {

BaseVotes CycleVotes(const TrackedQueueSet& queues, Variant variant) {
    return CountTrackedVotes(queues, variant);
}

void AddCycleMate(TrackedQueueSet& queues, size_t slot, const char* mate, const uint8_t* quality,
                  const std::string& contig) {
    AddTrackedMate(queues, slot, mate, quality, contig);
}

void MoveCycleOn(TrackedQueueSet& queues, const std::string& contig) {
    RecycleOldestTrackedSlot(queues);
    AppendToTracked(queues, contig);
}

int64_t CycleMates(const TrackedQueueSet& queues) {
    return TrackedMateCount(queues);
}

std::unique_ptr<ExtensionCycles> MakeFastCycles(const CyclesSetup& setup) {
    return std::make_unique<IncrementalCycles<TrackedQueueSet>>(
        setup, MakeTrackedQueueSet(setup.windows, setup.inputs.table.layout.readLength));
}

}  // namespace lorvex
