#pragma once

// Builder-side only: the engine never includes this (it is built without std::thread).
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace vantrel {

// The processor cores this machine offers (at least 1).
inline unsigned AvailableCores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores;
}

// Runs tasks on a fixed set of worker threads and hands their results back in the order the
// tasks were submitted, whatever order they finish in. The caller bounds memory by taking
// results before submitting more (see InFlight). An exception thrown by a task is rethrown
// by the TakeNext that reaches it. Destroying the pool drops the tasks not yet started and
// waits for the running ones.
template <typename Result>
class OrderedWorkPool {
  public:
    explicit OrderedWorkPool(unsigned workers) {
        if (workers == 0)
            workers = 1;
        threads_.reserve(workers);
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this] { Work(); });
    }

    ~OrderedWorkPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        wake_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    OrderedWorkPool(const OrderedWorkPool&) = delete;
    OrderedWorkPool& operator=(const OrderedWorkPool&) = delete;

    unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

    // Tasks submitted whose results have not been taken yet.
    std::size_t InFlight() const { return results_.size(); }

    template <typename Task>
    void Submit(Task&& task) {
        std::packaged_task<Result()> packaged(std::forward<Task>(task));
        results_.push_back(packaged.get_future());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(std::move(packaged));
        }
        wake_.notify_one();
    }

    // Waits for the oldest task not yet taken and returns its result. InFlight() must not be 0.
    Result TakeNext() {
        std::future<Result> next = std::move(results_.front());
        results_.pop_front();
        return next.get();
    }

  private:
    void Work() {
        for (;;) {
            std::packaged_task<Result()> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_)
                    return;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
        }
    }

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<Result()>> queue_;  // guarded by mutex_
    bool stopping_ = false;                           // guarded by mutex_
    std::deque<std::future<Result>> results_;         // the submitting thread's alone
};

}  // namespace vantrel
