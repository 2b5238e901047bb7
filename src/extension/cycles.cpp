#include "extension/cycles.h"

#include "calling/incremental_voting.h"
#include "mates/mate_fetch.h"
#include "mates/mate_queues.h"

namespace lorvex {
namespace {

class FastCycles final : public ExtensionCycles {
  public:
    explicit FastCycles(const CyclesSetup& setup)
        : setup_(setup),
          queues_(MakeOverlapQueueSet(setup.windows, setup.inputs.table.layout.readLength)) {}

    void Start(const std::string& contig) override {
        const int64_t filled =
            InitiallyFilledSlots(setup_.variant, static_cast<int64_t>(setup_.windows));
        const int64_t length = static_cast<int64_t>(contig.size());
        for (int64_t i = 0; i < filled; ++i)
            Fetch(contig, InitialWindowStart(length, setup_.maxDistance, i),
                  SlotFromOldest(queues_, static_cast<size_t>(i)));
    }

    BaseVotes Votes(const std::string&) const override {
        return CountVotesFromOverlaps(queues_, setup_.variant);
    }

    void AfterAppend(const std::string& contig) override {
        // The oldest window is dropped before the others follow the new base,
        // which spares it the update.
        OverlapSlot& newest = RecycleOldestSlot(queues_);
        AppendBaseToOverlaps(queues_, contig.back());
        const int64_t length = static_cast<int64_t>(contig.size());
        Fetch(contig,
              NewWindowStart(length, setup_.maxDistance, static_cast<int64_t>(setup_.windows)),
              newest);
    }

    int64_t QueuedMates() const override {
        int64_t mates = 0;
        for (const OverlapSlot& slot : queues_.slots) mates += slot.count;
        return mates;
    }

  private:
    void Fetch(const std::string& contig, int64_t windowStart, OverlapSlot& slot) {
        FetchSelectedMates(contig.data() + windowStart, setup_.inputs.table, setup_.inputs.index,
                           setup_.variant, selected_);
        for (int32_t i = 0; i < selected_.count; ++i)
            AddMate(slot, selected_.Mate(i), selected_.Quality(i), contig);
    }

    const CyclesSetup setup_;
    OverlapQueueSet queues_;
    SelectedMates selected_;
};

}  // namespace

std::unique_ptr<ExtensionCycles> MakeFastCycles(const CyclesSetup& setup) {
    return std::make_unique<FastCycles>(setup);
}

}  // namespace lorvex
