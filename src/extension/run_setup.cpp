#include "extension/run_setup.h"

#include "base/errors.h"
#include "mates/mate_queues.h"

namespace lorvex {

RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath) {
    const TableLayout layout = MeasureTable(tablePath);
    PrefixIndex index = AllocatePrefixIndex();
    LoadIndexChecked(indexPath, tablePath, layout, index);
    return RunInputs{OpenTableStream(tablePath, layout), std::move(index)};
}

int64_t WindowCount(Variant variant, const RunParameters& parameters, int32_t readLength) {
    return QueueCount(variant, parameters.minDistance, parameters.maxDistance, readLength);
}

void CheckMinDistance(Variant variant, const RunParameters& parameters, int32_t readLength,
                      const std::string& name) {
    if (WindowCount(variant, parameters, readLength) <= 0) return;
    const bool main = variant == Variant::Main;
    const int64_t leastMinDistance = main ? readLength : 2 * int64_t{readLength} - 2;
    if (parameters.minDistance < leastMinDistance)
        throw UsageError(name + " " + std::to_string(parameters.minDistance) +
                         " must be at least " + std::to_string(leastMinDistance) +
                         (main ? " (the read length)" : " (twice the read length, minus 2)"));
}

}  // namespace lorvex
