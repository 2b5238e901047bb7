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
// newest. The mates of a window come from a MateSource, asked for windows in
// the order of their starts:
//   const SelectedMates& Fetch(const std::string& contig, int64_t windowStart);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "extension/cycles.h"
#include "mates/mate_fetch.h"
#include "mates/mate_queues.h"

namespace lorvex {

// Each window's mates looked up when it is fetched.
class MatesOneByOne {
  public:
    MatesOneByOne(const TableStream& table, const PrefixIndex& index, Variant variant)
        : table_(table), index_(index), variant_(variant) {}
    const SelectedMates& Fetch(const std::string& contig, int64_t windowStart) {
        FetchSelectedMates(contig.data() + windowStart, table_, index_, variant_, selected_);
        return selected_;
    }

  private:
    const TableStream& table_;
    const PrefixIndex& index_;
    Variant variant_;
    SelectedMates selected_;
};

template <typename QueueSet, typename MateSource>
class IncrementalCycles final : public ExtensionCycles {
  public:
    IncrementalCycles(const CyclesSetup& setup, QueueSet queues, MateSource mates)
        : setup_(setup), queues_(std::move(queues)), mates_(std::move(mates)) {}
    // The same, with a second queue set of the same size for the mates
    // marked sure (AnchorRule::markSureMismatches).
    IncrementalCycles(const CyclesSetup& setup, QueueSet queues, QueueSet sure, MateSource mates)
        : setup_(setup),
          queues_(std::move(queues)),
          sure_(std::move(sure)),
          mates_(std::move(mates)) {}

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
        if (sure_) MoveCycleOn(*sure_, contig);
        const int64_t length = static_cast<int64_t>(contig.size());
        Fetch(contig, NewWindowStart(length, setup_.maxDistance, SlotCount()), setup_.windows - 1);
    }

    int64_t QueuedMates() const override { return CycleMates(queues_); }

    std::optional<BaseVotes> SureVotes() const override {
        if (!sure_) return std::nullopt;
        return CycleVotes(*sure_, setup_.variant);
    }

  private:
    int64_t SlotCount() const { return static_cast<int64_t>(setup_.windows); }

    void Fetch(const std::string& contig, int64_t windowStart, size_t slot) {
        const SelectedMates& selected = mates_.Fetch(contig, windowStart);
        for (int32_t i = 0; i < selected.count; ++i) {
            AddCycleMate(queues_, slot, selected.Mate(i), selected.Quality(i), contig);
            if (sure_ && selected.sure[static_cast<size_t>(i)])
                AddCycleMate(*sure_, slot, selected.Mate(i), selected.Quality(i), contig);
        }
    }

    const CyclesSetup setup_;
    QueueSet queues_;
    std::optional<QueueSet> sure_;
    MateSource mates_;
};

}  // namespace lorvex
