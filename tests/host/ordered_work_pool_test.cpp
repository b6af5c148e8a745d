// The builder's worker pool: results in submission order whatever order the tasks finish in,
// a task's exception at its own place, and no hang when work is abandoned.
#include "format/ordered_work_pool.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(OrderedWorkPool, ResultsComeInSubmissionOrderWhenLaterTasksFinishFirst) {
    OrderedWorkPool<int> pool(4);
    // Earlier tasks sleep longer, so they finish last.
    for (int i = 0; i < 8; ++i) {
        pool.Submit([i] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5 * (8 - i)));
            return i;
        });
    }
    EXPECT_EQ(pool.InFlight(), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pool.TakeNext(), i);
    EXPECT_EQ(pool.InFlight(), 0u);
}

TEST(OrderedWorkPool, ATasksExceptionIsRethrownInItsTurn) {
    OrderedWorkPool<int> pool(2);
    pool.Submit([] { return 1; });
    pool.Submit([]() -> int { throw std::runtime_error("block 2 failed"); });
    pool.Submit([] { return 3; });
    EXPECT_EQ(pool.TakeNext(), 1);
    EXPECT_THROW(pool.TakeNext(), std::runtime_error);
    EXPECT_EQ(pool.TakeNext(), 3);
}

TEST(OrderedWorkPool, DestroyingWithWorkLeftDropsWhatHasNotStarted) {
    std::atomic<int> ran{0};
    {
        OrderedWorkPool<int> pool(1);
        for (int i = 0; i < 50; ++i) {
            pool.Submit([&ran] {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return ++ran;
            });
        }
    }
    // The one worker finished at most the task it held when the pool went.
    EXPECT_LT(ran.load(), 50);
}

TEST(OrderedWorkPool, ZeroWorkersMeansOne) {
    OrderedWorkPool<int> pool(0);
    EXPECT_EQ(pool.Workers(), 1u);
    pool.Submit([] { return 7; });
    EXPECT_EQ(pool.TakeNext(), 7);
}

}  // namespace
}  // namespace vantrel
