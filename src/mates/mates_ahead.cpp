#include "mates/mates_ahead.h"

#include <algorithm>

#include "seq/nucleotide.h"

namespace lorvex {

MatesAhead::MatesAhead(const TableStream& table, const PrefixIndex& index, const AnchorRule& anchor,
                       TableReadMode mode, uint64_t readsBeforeRing, uint64_t batchBytes)
    : table_(table),
      index_(index),
      anchor_(CutToReadLength(anchor, table.layout.readLength)),
      mode_(mode),
      readsBeforeRing_(readsBeforeRing),
      batchBytes_(batchBytes) {}

const SelectedMates& MatesAhead::Fetch(const std::string& contig, int64_t windowStart) {
    if (windowStart < firstStart_ || windowStart >= firstStart_ + static_cast<int64_t>(count_))
        ReadBatch(contig, windowStart);
    if (count_ == 0) {
        FetchSelectedMates(contig.data() + windowStart, table_, index_, anchor_, alone_);
        return alone_;
    }
    const Window& window = windows_[static_cast<size_t>(windowStart - firstStart_)];
    if (window.failure) std::rethrow_exception(window.failure);
    return window.mates;
}

void MatesAhead::ReadBatch(const std::string& contig, int64_t firstStart) {
    const TableLayout& layout = table_.layout;
    const int64_t lastStart = static_cast<int64_t>(contig.size()) - anchor_.length;
    firstStart_ = firstStart;
    count_ = 0;
    reads_.clear();
    codes_.clear();
    groups_.clear();
    // Sizes first, then one buffer for the whole batch.
    uint64_t bytes = 0;
    while (count_ < TableBatchReader::maxBatch &&
           firstStart + static_cast<int64_t>(count_) <= lastStart) {
        const uint32_t code =
            DnaToUint(contig.data() + firstStart + static_cast<int64_t>(count_), prefixLength);
        const PrefixGroup group = FindGroup(index_, code);
        const uint64_t groupBytes = group.count * layout.lineSize;
        if (bytes + groupBytes > batchBytes_) break;
        codes_.push_back(code);
        groups_.push_back(group);
        if (groupBytes > 0) reads_.push_back({group.offset, groupBytes, nullptr, 0});
        bytes += groupBytes;
        ++count_;
    }
    if (count_ == 0) return;
    if (lines_.size() < bytes) lines_.resize(bytes);
    uint64_t at = 0;
    for (TableRead& read : reads_) {
        read.into = lines_.data() + at;
        at += read.bytes;
    }
    if (!reader_) reader_ = std::make_unique<TableBatchReader>(table_, mode_, readsBeforeRing_);
    reader_->Read(reads_);

    if (windows_.size() < count_) windows_.resize(count_);
    size_t read = 0;
    for (size_t i = 0; i < count_; ++i) {
        Window& window = windows_[i];
        ClearSelectedMates(layout.readLength, window.mates);
        window.failure = nullptr;
        if (groups_[i].count == 0) continue;
        const TableRead& group = reads_[read++];
        try {
            GroupCheck check(table_, codes_[i], groups_[i]);
            if (group.got < 0) ThrowTableReadFailure(table_, check.LineNumber(), -group.got);
            if (check.Take(group.into, 0, check.Lines(), static_cast<uint64_t>(group.got)))
                SelectMates(contig.data() + firstStart + static_cast<int64_t>(i), group.into,
                            check.Lines(), layout, anchor_, window.mates);
            check.Finish();
        } catch (...) {
            window.failure = std::current_exception();
        }
    }
}

}  // namespace lorvex
