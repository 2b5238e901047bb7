// Writes the compact pair table (input/pair_table_format.h) in one pass over
// the pairs: each kept pair's record goes straight to the output, in input
// order, and its reads' index entries to a sorter that holds them within the
// memory budget (spilling sorted runs to the work folder beyond it). Finish
// then writes the sorted entries, the directory and the closing header. The
// file is written under a temporary name and renamed when whole; the same
// pairs give the same bytes whatever the budget.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/pair_table_format.h"
#include "prep/entry_sort.h"
#include "prep/work_folder.h"
#include "tool/output_file.h"

namespace lorvex::prep {

// The shortest read lorvex-prep keeps by default: a mate of 21 bases can
// still overlap a contig's end by 20 and vote for the base after it.
inline constexpr uint32_t defaultLeastReadLength = 21;

struct PairTableSettings {
    uint32_t leastReadLength = defaultLeastReadLength;  // both reads of a kept pair reach it
    bool bothReads = true;                              // index read 2 as well as read 1
    uint64_t memoryBudget = 0;                          // bytes for the index entries
    uint32_t voteQuality = defaultVoteQuality;          // bases of this quality or more vote
};

struct PairTableTotals {
    uint64_t pairsKept = 0;
    uint64_t droppedShort = 0;  // a read shorter than leastReadLength
    uint64_t readsCut = 0;      // reads longer than pairTableLongestRead, cut to it
    uint64_t basesStored = 0;   // both reads of every kept pair
    uint64_t unknownBases = 0;
    uint32_t shortestRead = 0;
    uint32_t longestRead = 0;
    uint64_t recordsBytes = 0;
    uint64_t entriesBytes = 0;
    uint64_t directoryBytes = 0;
    uint64_t fileBytes = 0;
    EntrySortTotals sort;
};

class PairTableWriter {
  public:
    // replace: Commit may replace a file of the final name.
    PairTableWriter(const std::string& path, const PairTableSettings& settings,
                    WorkFolder& workFolder, bool replace = false);

    // Keeps the pair, and returns true, when both reads have leastReadLength
    // bases or more. Qualities are Phred+33 and as long as their reads.
    bool Add(std::string_view read1, std::string_view quality1, std::string_view read2,
             std::string_view quality2);

    // Writes the index and the closing header, after the last pair.
    void WriteIndex();
    // Syncs the file, which keeps its temporary name; Commit then gives it
    // its name (an existing file is kept unless replace).
    void Finish() { output_.Finish(); }
    void Commit();

    const PairTableTotals& totals() const { return totals_; }
    const std::string& path() const { return output_.finalPath(); }

  private:
    void FlushRecords();
    void WriteZeros(uint64_t count);
    void WriteEntries(const EntryLayout& layout, ClosingHeader& header);

    PairTableSettings settings_;
    WorkFolder& workFolder_;
    bool replace_;
    TemporaryOutput output_;
    IndexEntrySorter sorter_;
    std::vector<uint8_t> recordBlock_;  // records not yet written
    uint64_t recordsWritten_ = 0;
    uint32_t recordsCrc_ = 0;
    PairTableTotals totals_;
};

}  // namespace lorvex::prep
