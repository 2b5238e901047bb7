// The worker pool: every item once whatever the threads, and a failure on
// any thread stops the taking of items and reaches the caller once.
#include "base/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace lorvex {
namespace {

TEST(WorkerPool, EveryItemRunsOnceOnAWorkerOfItsOwn) {
    for (const unsigned threads : {1u, 2u, 8u}) {
        for (const size_t count : {size_t{0}, size_t{1}, size_t{3}, size_t{500}}) {
            std::vector<std::atomic<int>> runs(count);
            std::vector<std::atomic<int>> perWorker(WorkersFor(count, threads));
            ForEachItem(count, threads, [&](size_t item, unsigned worker) {
                ++runs[item];
                ++perWorker.at(worker);
            });
            for (const std::atomic<int>& run : runs) EXPECT_EQ(run.load(), 1);
            int total = 0;
            for (const std::atomic<int>& items : perWorker) total += items.load();
            EXPECT_EQ(total, static_cast<int>(count));
            EXPECT_LE(perWorker.size(), std::max<size_t>(count, 1));
        }
    }
}

TEST(WorkerPool, TheFirstFailureStopsTheOthersAndIsRethrown) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        std::atomic<size_t> started{0};
        try {
            // Items take a little time, as real ones do: with items of no
            // work, the others run through thousands while the thrower is
            // descheduled, before the pool can know of the failure.
            ForEachItem(100000, threads, [&](size_t item, unsigned) {
                ++started;
                if (item == 10) throw std::runtime_error("damaged table");
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "damaged table");
        }
        EXPECT_LT(started.load(), 1000u) << "the workers went on after the failure";
    }
}

}  // namespace
}  // namespace lorvex
