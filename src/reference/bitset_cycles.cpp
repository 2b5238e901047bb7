#include "reference/bitset_cycles.h"

#include "calling/incremental_voting.h"
#include "extension/incremental_cycles.h"

namespace lorvex {

BaseVotes CycleVotes(const OverlapQueueSet& queues, Variant variant) {
    return CountVotesFromOverlaps(queues, variant);
}

void AddCycleMate(OverlapQueueSet& queues, size_t slot, const char* mate, const uint8_t* quality,
                  const std::string& contig) {
    AddMate(SlotFromOldest(queues, slot), mate, quality, contig);
}

// The oldest window is dropped before the others follow the new base, which
// spares it the update.
void MoveCycleOn(OverlapQueueSet& queues, const std::string& contig) {
    RecycleOldestSlot(queues);
    AppendBaseToOverlaps(queues, contig.back());
}

int64_t CycleMates(const OverlapQueueSet& queues) {
    int64_t mates = 0;
    for (const OverlapSlot& slot : queues.slots) mates += slot.count;
    return mates;
}

std::unique_ptr<ExtensionCycles> MakeBitsetCycles(const CyclesSetup& setup) {
    return std::make_unique<IncrementalCycles<OverlapQueueSet, MatesOneByOne>>(
        setup, MakeOverlapQueueSet(setup.windows, setup.inputs.table.layout.readLength),
        MatesOneByOne(setup.inputs.table, setup.inputs.index, setup.variant));
}

}  // namespace lorvex
