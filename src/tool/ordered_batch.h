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
#include <thread>
#include <vector>

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

    // Stops the batch; keeps the first failure.
    void Stop(std::exception_ptr failure) {
        {
            std::lock_guard lock(mutex_);
            if (!failure_) failure_ = failure;
            stopped_ = true;
        }
        slotFreed_.notify_all();
        resultStored_.notify_all();
    }

    std::exception_ptr Failure() {
        std::lock_guard lock(mutex_);
        return failure_;
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
    std::exception_ptr failure_;
};

// Computes claimed items until the batch ends; joins every worker however
// the delivering loop ends.
template <typename Result>
class WorkerGroup {
  public:
    explicit WorkerGroup(ReorderBuffer<Result>& buffer) : buffer_(buffer) {}
    ~WorkerGroup() {
        buffer_.Stop(nullptr);
        for (std::thread& worker : workers_) worker.join();
    }
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;
    void Start(unsigned threads, const ItemWork<Result>& work) {
        for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this, &work] { Run(work); });
    }

  private:
    void Run(const ItemWork<Result>& work) {
        while (const std::optional<size_t> item = buffer_.Claim()) {
            try {
                buffer_.Store(*item, work(*item));
            } catch (...) {
                buffer_.Stop(std::current_exception());
                return;
            }
        }
    }

    ReorderBuffer<Result>& buffer_;
    std::vector<std::thread> workers_;
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
    {
        ordered_batch::WorkerGroup<Result> workers(buffer);
        workers.Start(threads, work);
        try {
            for (size_t item = 0; item < count; ++item) {
                std::optional<Result> result = buffer.TakeNext();
                if (!result) break;
                deliver(item, *result);
            }
        } catch (...) {
            buffer.Stop(std::current_exception());
        }
    }
    if (std::exception_ptr failure = buffer.Failure()) std::rethrow_exception(failure);
}

}  // namespace lorvex
