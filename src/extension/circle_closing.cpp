#include "extension/circle_closing.h"

#include <utility>

namespace lorvex {

int32_t JunctionOverlap(const RunParameters& parameters, int32_t readLength) {
    return parameters.maxDistance + readLength;
}

CycleObserver CircleObserver(std::string heldBefore, int32_t overlap) {
    return [heldBefore = std::move(heldBefore),
            overlap](const CycleView& cycle) -> std::optional<StopReason> {
        const std::string& contig = cycle.contig;
        const size_t length = static_cast<size_t>(overlap);
        const size_t before = heldBefore.size();
        const size_t held = before + contig.size();
        if (overlap <= 0 || static_cast<int64_t>(before) + cycle.accepted < overlap ||
            held < 2 * length)
            return std::nullopt;
        const auto at = [&](size_t i) { return i < before ? heldBefore[i] : contig[i - before]; };
        // From the last base back: most cycles differ there.
        for (size_t i = length; i-- > 0;)
            if (at(i) != at(held - length + i)) return std::nullopt;
        return StopReason::Circular;
    };
}

std::string CircleFrom(const std::string& contig, size_t start, int32_t overlap) {
    const size_t length = contig.size() - static_cast<size_t>(overlap);
    std::string circle;
    circle.reserve(length);
    const size_t from = start % length;
    circle.append(contig, from, length - from);
    circle.append(contig, 0, from);
    return circle;
}

}  // namespace lorvex
