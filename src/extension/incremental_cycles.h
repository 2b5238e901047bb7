// The incremental cycles, whatever form of queue set they keep: the windows
// of the literal queue set in the same slots, each mate's overlaps kept up
// to date by every appended base, and mates looked up without a string per
// field. The form is chosen by the overloads found for the queue set's type:
//   BaseVotes CycleVotes(const QueueSet&, Variant);
//   void AddCycleMate(QueueSet&, size_t slot, const char* mate,
//                     const uint8_t* quality, const std::string& contig);
//   void MoveCycleOn(QueueSet&, const std::string& contig);  // after an append
//   int64_t CycleMates(const QueueSet&);
// where slots count from the oldest, and MoveCycleOn drops the oldest window,
// moves the others on by the appended base and makes the emptied slot the
// newest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "extension/cycles.h"
#include "mates/mate_fetch.h"
#include "mates/mate_queues.h"

namespace lorvex {

template <typename QueueSet>
class IncrementalCycles final : public ExtensionCycles {
  public:
    IncrementalCycles(const CyclesSetup& setup, QueueSet queues)
        : setup_(setup), queues_(std::move(queues)) {}

    void Start(const std::string& contig) override {
        const int64_t filled = InitiallyFilledSlots(setup_.variant, SlotCount());
        const int64_t length = static_cast<int64_t>(contig.size());
        for (int64_t i = 0; i < filled; ++i)
            Fetch(contig, InitialWindowStart(length, setup_.maxDistance, i),
                  static_cast<size_t>(i));
    }

    BaseVotes Votes(const std::string&) const override {
        return CycleVotes(queues_, setup_.variant);
    }

    void AfterAppend(const std::string& contig) override {
        MoveCycleOn(queues_, contig);
        const int64_t length = static_cast<int64_t>(contig.size());
        Fetch(contig, NewWindowStart(length, setup_.maxDistance, SlotCount()), setup_.windows - 1);
    }

    int64_t QueuedMates() const override { return CycleMates(queues_); }

  private:
    int64_t SlotCount() const { return static_cast<int64_t>(setup_.windows); }

    void Fetch(const std::string& contig, int64_t windowStart, size_t slot) {
        FetchSelectedMates(contig.data() + windowStart, setup_.inputs.table, setup_.inputs.index,
                           setup_.variant, selected_);
        for (int32_t i = 0; i < selected_.count; ++i)
            AddCycleMate(queues_, slot, selected_.Mate(i), selected_.Quality(i), contig);
    }

    const CyclesSetup setup_;
    QueueSet queues_;
    SelectedMates selected_;
};

}  // namespace lorvex
