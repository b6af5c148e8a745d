#pragma once

#include <cstdint>
#include <functional>

namespace vantrel {

// Runs jobs somewhere else (worker threads, or at once) and lets the caller wait for each.
// Keeps the ordering logic that uses it free of any thread library, so that the same logic
// runs on the engine's threads and in host tests.
class JobRunner {
  public:
    virtual ~JobRunner() = default;
    // Starts the job and returns its ticket. The job must not throw.
    virtual std::uint64_t Start(std::function<void()> job) = 0;
    // Returns once the job of `ticket` has finished; each ticket is waited for exactly once.
    virtual void Wait(std::uint64_t ticket) = 0;
    // False when jobs run inside Start: starting work early then gains nothing.
    virtual bool RunsAside() const { return true; }
};

// Runs each job inside Start, on the calling thread.
class InlineJobRunner : public JobRunner {
  public:
    std::uint64_t Start(std::function<void()> job) override {
        job();
        return ++last_;
    }
    void Wait(std::uint64_t) override {}
    bool RunsAside() const override { return false; }

  private:
    std::uint64_t last_ = 0;
};

}  // namespace vantrel
