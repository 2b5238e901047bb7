// Runs the items of a batch on several threads and hands the results over in
// input order, on the calling thread. Workers may run ahead of the oldest
// undelivered item by at most `window` items, so the results held at any time
// are bounded whatever the batch size.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "base/worker_pool.h"

namespace lorvex {

template <typename Result>
using ItemWork = std::function<Result(size_t item)>;
template <typename Result>
using ItemDelivery = std::function<void(size_t item, Result& result)>;

namespace ordered_batch {

// The state that workers and the delivering thread share: a ring of
// `window` result slots, item i in slot i % window.
template <typename Result>
class ReorderBuffer {
  public:
    ReorderBuffer(size_t count, size_t window) : count_(count), slots_(window) {}

    // The next item a worker should compute, or nothing when the batch is
    // done or stopped. Waits while the item would not fit into the window.
    std::optional<size_t> Claim() {
        std::unique_lock lock(mutex_);
        slotFreed_.wait(lock, [&] {
            return stopped_ || nextToClaim_ >= count_ ||
                   nextToClaim_ < nextToDeliver_ + slots_.size();
        });
        if (stopped_ || nextToClaim_ >= count_) return std::nullopt;
        return nextToClaim_++;
    }

    void Store(size_t item, Result&& result) {
        {
            std::lock_guard lock(mutex_);
            slots_[item % slots_.size()] = std::move(result);
        }
        resultStored_.notify_one();
    }

    // Waits for the next item in order; nothing when the batch was stopped.
    std::optional<Result> TakeNext() {
        std::unique_lock lock(mutex_);
        std::optional<Result>& slot = slots_[nextToDeliver_ % slots_.size()];
        resultStored_.wait(lock, [&] { return stopped_ || slot.has_value(); });
        if (stopped_) return std::nullopt;
        std::optional<Result> result = std::move(slot);
        slot.reset();
        ++nextToDeliver_;
        lock.unlock();
        slotFreed_.notify_all();
        return result;
    }

    // Stops the batch: Claim and TakeNext return nothing from now on.
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        slotFreed_.notify_all();
        resultStored_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable slotFreed_;
    std::condition_variable resultStored_;
    const size_t count_;
    std::vector<std::optional<Result>> slots_;
    size_t nextToClaim_ = 0;
    size_t nextToDeliver_ = 0;
    bool stopped_ = false;
};

}  // namespace ordered_batch

// Computes work(0) .. work(count - 1) and calls deliver for each in order.
// threads 1 computes on the calling thread, with no other thread. The first
// exception of a worker or of deliver stops the batch (items not yet started
// are skipped) and is rethrown once every worker has finished.
template <typename Result>
void RunInOrder(size_t count, unsigned threads, size_t window, const ItemWork<Result>& work,
                const ItemDelivery<Result>& deliver) {
    if (threads <= 1) {
        for (size_t item = 0; item < count; ++item) {
            Result result = work(item);
            deliver(item, result);
        }
        return;
    }
    ordered_batch::ReorderBuffer<Result> buffer(count, std::max<size_t>(window, 1));
    WorkerPool workers([&buffer] { buffer.Stop(); });
    workers.Start(0, threads, [&](unsigned) {
        while (const std::optional<size_t> item = buffer.Claim()) buffer.Store(*item, work(*item));
    });
    try {
        for (size_t item = 0; item < count; ++item) {
            std::optional<Result> result = buffer.TakeNext();
            if (!result) break;
            deliver(item, *result);
        }
    } catch (...) {
        workers.Fail(std::current_exception());
    }
    workers.Finish();
}

}  // namespace lorvex
