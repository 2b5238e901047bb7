#include "mates/mate_queues.h"

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

}  // namespace lorvex
