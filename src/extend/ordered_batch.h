// Runs the items of a batch on several threads and hands the results over in
// input order, on the calling thread. Workers may run ahead of the oldest
// undelivered item by at most `window` items, so the results held at any time
// are bounded whatever the batch size.
#pragma once

#include <cstddef>
#include <functional>

#include "extend/seed_extension.h"

namespace lorvex::extend {

using ItemWork = std::function<SeedExtension(size_t item)>;
using ItemDelivery = std::function<void(size_t item, SeedExtension& result)>;

// Computes work(0) .. work(count - 1) and calls deliver for each in order.
// threads 1 computes on the calling thread, with no other thread. The first
// exception of a worker or of deliver stops the batch (items not yet started
// are skipped) and is rethrown once every worker has finished.
void RunInOrder(size_t count, unsigned threads, size_t window, const ItemWork& work,
                const ItemDelivery& deliver);

}  // namespace lorvex::extend
