// The geometry of the queue set: for a range of anchor windows behind the
// contig's end, the mates each window anchors. It is filled once at start-up,
// then moved on by one window per appended base: the oldest slot is dropped,
// the others move down, and one new window is fetched into the last slot.
// Every form of the queue set places its windows by these rules.
#pragma once

#include <cstdint>

#include "base/variant.h"

namespace lorvex {

// Number of slots: maxDistance - minDistance + 1 in the main variant,
// maxDistance + readLength - minDistance in the strict one (64-bit, so that
// absurd distances cannot wrap).
int64_t QueueCount(Variant variant, int32_t minDistance, int32_t maxDistance, int32_t readLength);

// Slots filled at start-up: all n in the main variant, all but the last in
// the strict one (none when that leaves fewer than one).
int64_t InitiallyFilledSlots(Variant variant, int64_t queueCount);

// Start of the window of slot i at start-up: L - maxDistance + i.
int64_t InitialWindowStart(int64_t contigLength, int32_t maxDistance, int64_t slot);

// Start of the window fetched after an append, with the contig's new length L:
// L + n - maxDistance - 2.
int64_t NewWindowStart(int64_t contigLength, int32_t maxDistance, int64_t queueCount);

}  // namespace lorvex
