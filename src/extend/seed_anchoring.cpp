#include "extend/seed_anchoring.h"

#include <algorithm>

namespace lorvex::extend {

int32_t CappedMaxDistance(size_t seedLength, Variant variant, const RunParameters& parameters,
                          int32_t readLength) {
    if (seedLength >= static_cast<size_t>(parameters.maxDistance)) return 0;
    RunParameters capped = parameters;
    capped.maxDistance = static_cast<int32_t>(seedLength);
    if (ImpossibleParameters(variant, capped) != ParameterFault::None ||
        WindowCount(variant, capped, readLength) <= 0 || WindowPastEnd(variant, capped, readLength))
        return 0;
    return capped.maxDistance;
}

size_t UnanchoredBases(std::string_view seed, Side side, int32_t maxDistance) {
    const size_t stretch = std::min(seed.size(), static_cast<size_t>(std::max(maxDistance, 0)));
    const std::string_view anchors =
        side == Side::Right ? seed.substr(seed.size() - stretch) : seed.substr(0, stretch);
    return static_cast<size_t>(std::count_if(anchors.begin(), anchors.end(), [](char base) {
        return base != 'A' && base != 'C' && base != 'G' && base != 'T';
    }));
}

}  // namespace lorvex::extend
