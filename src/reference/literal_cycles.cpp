#include "reference/literal_cycles.h"

#include "reference/literal_mates.h"
#include "reference/literal_voting.h"

namespace lorvex {
namespace {

class LiteralCycles final : public ExtensionCycles {
  public:
    explicit LiteralCycles(const CyclesSetup& setup)
        : setup_(setup), index_(DenseTablesOf(setup.inputs.index)), queues_(setup.windows) {}

    void Start(const std::string& contig) override {
        InitQueues(contig, setup_.maxDistance, ReadLength(), queues_, setup_.inputs.table, index_,
                   setup_.variant);
    }
    BaseVotes Votes(const std::string& contig) const override {
        return CountNextBase(contig, queues_, ReadLength(), setup_.variant);
    }
    void AfterAppend(const std::string& contig) override {
        UpdateQueues(contig, setup_.maxDistance, ReadLength(), queues_, setup_.inputs.table, index_,
                     setup_.variant);
    }
    int64_t QueuedMates() const override {
        int64_t mates = 0;
        for (const MateQueue& slot : queues_) mates += static_cast<int64_t>(slot.mates.size());
        return mates;
    }

  private:
    int32_t ReadLength() const { return setup_.inputs.table.layout.readLength; }

    const CyclesSetup setup_;
    const DensePrefixTables index_;  // flat tables by prefix code, as the literal lookup reads
    QueueSet queues_;
};

}  // namespace

std::unique_ptr<ExtensionCycles> MakeLiteralCycles(const CyclesSetup& setup) {
    return std::make_unique<LiteralCycles>(setup);
}

}  // namespace lorvex
