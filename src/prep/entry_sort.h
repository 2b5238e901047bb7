// Sorts the compact table's index entries in bounded memory. An entry is a
// read's 64-bit key and its place (record offset x 2 + read - 1); entries
// arrive in input order and leave sorted by (key, place), a total order, so
// the result never depends on the memory bound.
//
// Entries are held in a buffer sized to the budget. When it fills, it is
// sorted (one scatter by the key's top 16 bits, then each small run sorted in
// cache) and written to a run file in the work folder. At the end the runs
// are merged, at most mergeFanIn at a time (a run file of merged runs when
// there are more), each read through a buffer of its share of the budget.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "prep/work_folder.h"

namespace lorvex::prep {

struct IndexEntry {
    uint64_t key = 0;
    uint64_t place = 0;  // record offset x 2 + read - 1
    friend bool operator<(const IndexEntry& a, const IndexEntry& b) {
        return a.key != b.key ? a.key < b.key : a.place < b.place;
    }
};

// Bytes held per entry: the entry and the sort's scratch.
inline constexpr uint64_t indexEntryHeldBytes = 2 * sizeof(IndexEntry);
inline constexpr size_t mergeFanIn = 256;

// Sorts entries in place (the scratch is resized as needed).
void SortIndexEntries(std::vector<IndexEntry>& entries, std::vector<IndexEntry>& scratch);

struct EntrySortTotals {
    uint64_t runs = 0;       // run files written, merged ones included
    uint64_t runBytes = 0;   // bytes written to run files
    uint64_t heldBytes = 0;  // the most bytes of entries held at once
};

// Receives sorted entries, a batch at a time.
using IndexEntrySink = std::function<void(std::span<const IndexEntry>)>;

class IndexEntrySorter {
  public:
    IndexEntrySorter(uint64_t memoryBudget, WorkFolder& workFolder);

    void Add(uint64_t key, uint64_t place) {
        buffer_.push_back(IndexEntry{key, place});
        if (buffer_.size() == capacity_) SpillRun();
    }
    uint64_t Count() const { return count_ + buffer_.size(); }

    // Hands every entry to sink in order; call once, after the last Add.
    void Drain(const IndexEntrySink& sink);

    const EntrySortTotals& totals() const { return totals_; }

  private:
    void SpillRun();
    std::string RunPath();
    // Merges the run files into sink (or into one new run file).
    void MergeRuns(const std::vector<std::string>& runs, const IndexEntrySink& sink);

    uint64_t budget_;
    WorkFolder& workFolder_;
    uint64_t capacity_;
    std::vector<IndexEntry> buffer_;
    std::vector<IndexEntry> scratch_;
    std::vector<std::string> runs_;
    uint64_t count_ = 0;  // entries in run files
    uint64_t runNumber_ = 0;
    EntrySortTotals totals_;
};

}  // namespace lorvex::prep
