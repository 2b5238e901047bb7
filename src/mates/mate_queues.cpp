#include "mates/mate_queues.h"

#include <algorithm>

namespace lorvex {

int64_t QueueCount(Variant variant, int32_t minDistance, int32_t maxDistance, int32_t readLength) {
    if (variant == Variant::Main) return int64_t{maxDistance} - minDistance + 1;
    return int64_t{maxDistance} + readLength - minDistance;
}

int64_t InitiallyFilledSlots(Variant variant, int64_t queueCount) {
    const int64_t filled = variant == Variant::Main ? queueCount : queueCount - 1;
    return filled > 0 ? filled : 0;
}

int64_t InitialWindowStart(int64_t contigLength, int32_t maxDistance, int64_t slot) {
    return contigLength - maxDistance + slot;
}

int64_t NewWindowStart(int64_t contigLength, int32_t maxDistance, int64_t queueCount) {
    return contigLength + queueCount - maxDistance - 2;
}

std::string AnchorWindow(const std::string& contig, int64_t start, int32_t readLength) {
    return contig.substr(static_cast<size_t>(start), static_cast<size_t>(readLength));
}

namespace {

void FetchSlot(const std::string& window, MateQueue& slot, const TableStream& table,
               const PrefixIndex& index, Variant variant) {
    int32_t count = 0;
    GetAllPairedReads(window, table, index, variant, count, slot.mates, slot.qualities);
}

}  // namespace

void InitQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                QueueSet& queues, const TableStream& table, const PrefixIndex& index,
                Variant variant) {
    const int64_t filled = InitiallyFilledSlots(variant, static_cast<int64_t>(queues.size()));
    const int64_t length = static_cast<int64_t>(contig.size());
    for (int64_t i = 0; i < filled; ++i)
        FetchSlot(AnchorWindow(contig, InitialWindowStart(length, maxDistance, i), readLength),
                  queues[i], table, index, variant);
}

void UpdateQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                  QueueSet& queues, const TableStream& table, const PrefixIndex& index,
                  Variant variant) {
    const int64_t n = static_cast<int64_t>(queues.size());
    std::rotate(queues.begin(), queues.begin() + 1, queues.end());
    MateQueue& last = queues.back();
    last = MateQueue{};  // the dropped slot 0
    const int64_t start = NewWindowStart(static_cast<int64_t>(contig.size()), maxDistance, n);
    FetchSlot(AnchorWindow(contig, start, readLength), last, table, index, variant);
}

}  // namespace lorvex
