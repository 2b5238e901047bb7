// The parallel batch: results come out in input order whatever the threads
// and the time each item takes, workers never run further ahead than the
// window, and a failure anywhere stops the batch and reaches the caller.
#include "tool/ordered_batch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace lorvex {
namespace {

// A result that carries its item number.
std::string Tagged(size_t item) {
    return std::to_string(item);
}

TEST(OrderedBatch, DeliversInInputOrderWithinTheWindow) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        for (const size_t window : {size_t{1}, size_t{3}, size_t{16}}) {
            std::atomic<size_t> started{0};
            std::atomic<size_t> delivered{0};
            std::atomic<size_t> furthestAhead{0};
            std::vector<size_t> order;
            RunInOrder<std::string>(
                200, threads, window,
                [&](size_t item) {
                    ++started;
                    // Claimed items not yet delivered, this one included.
                    const size_t ahead = item + 1 - delivered.load();
                    size_t seen = furthestAhead.load();
                    while (ahead > seen && !furthestAhead.compare_exchange_weak(seen, ahead)) {
                    }
                    // Uneven work, so later items often finish first.
                    std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 300));
                    return Tagged(item);
                },
                [&](size_t item, std::string& result) {
                    EXPECT_EQ(result, std::to_string(item));
                    order.push_back(item);
                    ++delivered;
                });
            ASSERT_EQ(order.size(), 200u);
            for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i);
            EXPECT_EQ(started.load(), 200u);
            // The count lags one item behind while an item is being delivered.
            if (threads > 1) {
                EXPECT_LE(furthestAhead.load(), window + 1) << threads << " " << window;
            }
        }
    }
}

TEST(OrderedBatch, AnEmptyBatchDeliversNothing) {
    for (const unsigned threads : {1u, 3u}) {
        bool called = false;
        RunInOrder<std::string>(
            0, threads, 4, [&](size_t) { return std::string{}; },
            [&](size_t, std::string&) { called = true; });
        EXPECT_FALSE(called);
    }
}

TEST(OrderedBatch, AFailingItemStopsTheBatchAndIsRethrown) {
    for (const unsigned threads : {1u, 2u, 4u}) {
        std::atomic<size_t> started{0};
        size_t delivered = 0;
        EXPECT_THROW(RunInOrder<std::string>(
                         10000, threads, 8,
                         [&](size_t item) {
                             ++started;
                             if (item == 50) throw std::runtime_error("damaged table");
                             return Tagged(item);
                         },
                         [&](size_t, std::string&) { ++delivered; }),
                     std::runtime_error);
        EXPECT_LE(delivered, 50u);
        EXPECT_LT(started.load(), 200u) << "the batch went on after the failure";
    }
}

TEST(OrderedBatch, AFailingDeliveryStopsTheWorkers) {
    for (const unsigned threads : {1u, 2u}) {
        std::atomic<size_t> started{0};
        try {
            RunInOrder<std::string>(
                10000, threads, 4,
                [&](size_t item) {
                    ++started;
                    return Tagged(item);
                },
                [&](size_t item, std::string&) {
                    if (item == 20) throw std::runtime_error("disk full");
                });
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "disk full");
        }
        EXPECT_LE(started.load(), 20u + 1 + 4);
    }
}

}  // namespace
}  // namespace lorvex
