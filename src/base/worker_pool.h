// The threads of a parallel step and their one failure. The first exception
// any thread throws is kept and the others are asked to stop; once every
// thread has been joined it reaches the caller, so a failure on a worker
// thread reads as if the caller had thrown it.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lorvex {

class WorkerPool {
  public:
    using Task = std::function<void(unsigned worker)>;

    // wake, when given, runs on the first failure and before the threads are
    // joined, for tasks that wait on the caller's own state (a queue).
    explicit WorkerPool(std::function<void()> wake = {});
    // Wakes and joins; a failure not yet rethrown is dropped.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Starts `count` threads, running task(first) .. task(first + count - 1)
    // on copies of task.
    void Start(unsigned first, unsigned count, const Task& task);
    // Runs task(worker) on the calling thread, its failure kept like a thread's.
    void RunHere(unsigned worker, const Task& task);
    // Keeps `failure` when it is the first, and asks every task to stop.
    void Fail(std::exception_ptr failure);
    // Whether a task failed: the others should stop taking work.
    bool failed() const { return failed_; }
    // Wakes and joins every thread, then rethrows the first failure.
    void Finish();

  private:
    void Run(unsigned worker, const Task& task);
    void WakeAndJoin();

    std::function<void()> wake_;
    std::vector<std::thread> threads_;
    std::atomic<bool> failed_ = false;
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

// Calls work(item, worker) for every item below `count` on up to `threads`
// threads, the calling thread being worker 0; each worker takes the next
// item when it is free, so which worker ran an item depends on timing. The
// first exception stops the taking and is rethrown once all have finished.
void ForEachItem(size_t count, unsigned threads,
                 const std::function<void(size_t item, unsigned worker)>& work);

// The workers ForEachItem uses for `count` items: 1 to threads, no more than
// there are items.
unsigned WorkersFor(size_t count, unsigned threads);

}  // namespace lorvex
