// The queue set: for a range of anchor windows behind the contig's end, the
// mates each window anchors. Filled once at start-up, then moved on by one
// window per appended base: the oldest slot is dropped, the others move
// down, and one new window is fetched into the last slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mates/mate_lookup.h"

namespace lorvex {

using QueueSet = std::vector<MateQueue>;

// Number of slots: maxDistance - minDistance + 1 in the main variant,
// maxDistance + readLength - minDistance in the strict one (64-bit, so that
// absurd distances cannot wrap).
int64_t QueueCount(Variant variant, int32_t minDistance, int32_t maxDistance, int32_t readLength);

// Window geometry, shared by every engine that keeps a queue set. Slots
// filled at start-up: all n in the main variant, all but the last in the
// strict one (none when that leaves fewer than one).
int64_t InitiallyFilledSlots(Variant variant, int64_t queueCount);

// Start of the window of slot i at start-up: L - maxDistance + i.
int64_t InitialWindowStart(int64_t contigLength, int32_t maxDistance, int64_t slot);

// Start of the window fetched after an append, with the contig's new length L:
// L + n - maxDistance - 2.
int64_t NewWindowStart(int64_t contigLength, int32_t maxDistance, int64_t queueCount);

// The window of readLength bases starting at `start`.
std::string AnchorWindow(const std::string& contig, int64_t start, int32_t readLength);

// Fills slot i with the window at L - maxDistance + i: all slots in the main
// variant, all but the last in the strict one.
void InitQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                QueueSet& queues, const TableStream& table, const PrefixIndex& index,
                Variant variant);

// After a base was appended (contig has its new length L): drops slot 0,
// moves the others down and fetches the window at L + n - maxDistance - 2
// into the last slot.
void UpdateQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                  QueueSet& queues, const TableStream& table, const PrefixIndex& index,
                  Variant variant);

}  // namespace lorvex
