#include "extend/ordered_batch.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lorvex::extend {
namespace {

// The state that workers and the delivering thread share: a ring of
// `window` result slots, item i in slot i % window.
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

    void Store(size_t item, SeedExtension&& result) {
        {
            std::lock_guard lock(mutex_);
            slots_[item % slots_.size()] = std::move(result);
        }
        resultStored_.notify_one();
    }

    // Waits for the next item in order; nothing when the batch was stopped.
    std::optional<SeedExtension> TakeNext() {
        std::unique_lock lock(mutex_);
        std::optional<SeedExtension>& slot = slots_[nextToDeliver_ % slots_.size()];
        resultStored_.wait(lock, [&] { return stopped_ || slot.has_value(); });
        if (stopped_) return std::nullopt;
        std::optional<SeedExtension> result = std::move(slot);
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
    std::vector<std::optional<SeedExtension>> slots_;
    size_t nextToClaim_ = 0;
    size_t nextToDeliver_ = 0;
    bool stopped_ = false;
    std::exception_ptr failure_;
};

void RunWorker(ReorderBuffer& buffer, const ItemWork& work) {
    while (const std::optional<size_t> item = buffer.Claim()) {
        try {
            buffer.Store(*item, work(*item));
        } catch (...) {
            buffer.Stop(std::current_exception());
            return;
        }
    }
}

// Joins the workers however the delivering loop ends.
class WorkerGroup {
  public:
    WorkerGroup(ReorderBuffer& buffer) : buffer_(buffer) {}
    ~WorkerGroup() {
        buffer_.Stop(nullptr);
        for (std::thread& worker : workers_) worker.join();
    }
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;
    void Start(unsigned threads, const ItemWork& work) {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back(RunWorker, std::ref(buffer_), std::cref(work));
    }

  private:
    ReorderBuffer& buffer_;
    std::vector<std::thread> workers_;
};

}  // namespace

void RunInOrder(size_t count, unsigned threads, size_t window, const ItemWork& work,
                const ItemDelivery& deliver) {
    if (threads <= 1) {
        for (size_t item = 0; item < count; ++item) {
            SeedExtension result = work(item);
            deliver(item, result);
        }
        return;
    }
    ReorderBuffer buffer(count, std::max<size_t>(window, 1));
    {
        WorkerGroup workers(buffer);
        workers.Start(threads, work);
        try {
            for (size_t item = 0; item < count; ++item) {
                std::optional<SeedExtension> result = buffer.TakeNext();
                if (!result) break;
                deliver(item, *result);
            }
        } catch (...) {
            buffer.Stop(std::current_exception());
        }
    }
    if (std::exception_ptr failure = buffer.Failure()) std::rethrow_exception(failure);
}

}  // namespace lorvex::extend
