#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include "format/job_runner.h"
#include "support/unique_handle.h"

namespace vantrel {

// A fixed set of worker threads taking jobs in the order they were started. Built on the
// system's threads, slim locks and condition variables (the engine's runtime has no
// standard thread library). When no thread can be made, jobs run inside Start instead.
class WorkerPool : public JobRunner {
  public:
    explicit WorkerPool(unsigned threads);
    ~WorkerPool() override;  // finishes the jobs already started, then ends the threads
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    std::uint64_t Start(std::function<void()> job) override;
    void Wait(std::uint64_t ticket) override;
    bool RunsAside() const override { return !threads_.empty(); }

    unsigned ThreadCount() const { return static_cast<unsigned>(threads_.size()); }

    // Workers worth having for decoding on this machine: its processors, at least 1, at
    // most 4 (beyond that the writing thread is the limit).
    static unsigned DefaultThreadCount();

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Work();

    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE jobReady_ = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE jobDone_ = CONDITION_VARIABLE_INIT;
    std::deque<std::pair<std::uint64_t, std::function<void()>>> queue_;
    std::set<std::uint64_t> finished_;  // done and not yet waited for
    std::uint64_t lastTicket_ = 0;
    bool stopping_ = false;
    std::vector<UniqueHandle> threads_;
};

}  // namespace vantrel
