// The selected mates of the windows to come, looked up ahead in batches.
// A window's bases are known once it lies inside the contig, and the window
// fetched after an append lies more than minDistance bases behind the end,
// so the windows of many cycles to come are known already: their groups are
// read together (one submission of a TableBatchReader), and each window's
// mates are selected at once as FetchSelectedMates selects them, so that
// only they are kept. A window's failure (a failed read, a table cut or
// damaged) is kept with it and thrown only when that window is asked for:
// a run fails at the same cycle with the same message as without look-ahead.
//
// A batch holds a bounded amount of table lines; a window whose group is
// larger is looked up alone, in chunks, when it is asked for.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "base/variant.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "input/table_batch.h"
#include "mates/group_chunks.h"
#include "mates/mate_fetch.h"

namespace lorvex {

class MatesAhead {
  public:
    // A batch holds at most batchBytes of table lines; the reads go through
    // io_uring (with mode Batched) once readsBeforeRing groups were read.
    // First reads are selected by the anchor rule.
    MatesAhead(const TableStream& table, const PrefixIndex& index, const AnchorRule& anchor,
               TableReadMode mode, uint64_t readsBeforeRing = 1024,
               uint64_t batchBytes = groupChunkBytes);

    // The mates of the window at windowStart. Windows are asked for in the
    // order of their starts (a start may be asked for again); the windows
    // after it whose anchors lie inside the contig may be read with it.
    const SelectedMates& Fetch(const std::string& contig, int64_t windowStart);

  private:
    struct Window {
        SelectedMates mates;
        std::exception_ptr failure;
    };

    void ReadBatch(const std::string& contig, int64_t firstStart);

    const TableStream& table_;
    const PrefixIndex& index_;
    AnchorRule anchor_;
    TableReadMode mode_;
    uint64_t readsBeforeRing_;
    uint64_t batchBytes_;
    std::unique_ptr<TableBatchReader> reader_;  // made at the first batch
    // Windows firstStart_ .. firstStart_ + count_ - 1 are ready.
    int64_t firstStart_ = 0;
    size_t count_ = 0;
    std::vector<Window> windows_;
    std::vector<TableRead> reads_;
    std::vector<uint32_t> codes_;
    std::vector<PrefixGroup> groups_;  // of codes_
    std::vector<char> lines_;          // the table lines of a batch
    SelectedMates alone_;              // a window too large for a batch
};

}  // namespace lorvex
