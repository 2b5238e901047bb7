#include "base/worker_pool.h"

#include <algorithm>
#include <utility>

namespace lorvex {

WorkerPool::WorkerPool(std::function<void()> wake) : wake_(std::move(wake)) {}

WorkerPool::~WorkerPool() {
    WakeAndJoin();
}

void WorkerPool::Start(unsigned first, unsigned count, const Task& task) {
    for (unsigned worker = first; worker < first + count; ++worker)
        threads_.emplace_back([this, worker, task] { Run(worker, task); });
}

void WorkerPool::RunHere(unsigned worker, const Task& task) {
    Run(worker, task);
}

void WorkerPool::Fail(std::exception_ptr failure) {
    {
        std::lock_guard lock(failureMutex_);
        if (failure_) return;
        failure_ = failure;
        failed_ = true;
    }
    if (wake_) wake_();
}

void WorkerPool::Finish() {
    WakeAndJoin();
    std::lock_guard lock(failureMutex_);
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void WorkerPool::Run(unsigned worker, const Task& task) {
    try {
        task(worker);
    } catch (...) {
        Fail(std::current_exception());
    }
}

void WorkerPool::WakeAndJoin() {
    if (threads_.empty()) return;
    if (wake_) wake_();
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
}

unsigned WorkersFor(size_t count, unsigned threads) {
    return static_cast<unsigned>(std::clamp<size_t>(threads, 1, std::max<size_t>(count, 1)));
}

void ForEachItem(size_t count, unsigned threads,
                 const std::function<void(size_t item, unsigned worker)>& work) {
    std::atomic<size_t> next = 0;
    WorkerPool pool;
    const WorkerPool::Task task = [&](unsigned worker) {
        for (size_t item = next++; item < count && !pool.failed(); item = next++)
            work(item, worker);
    };
    const unsigned workers = WorkersFor(count, threads);
    pool.Start(1, workers - 1, task);
    pool.RunHere(0, task);
    pool.Finish();
}

}  // namespace lorvex
