#include "support/worker_pool.h"

#include <algorithm>
#include <utility>

namespace vantrel {

WorkerPool::WorkerPool(unsigned threads) {
    for (unsigned i = 0; i < threads; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, &WorkerPool::ThreadMain, this, 0, nullptr);
        if (thread == nullptr)
            break;
        threads_.emplace_back(thread);
    }
}

WorkerPool::~WorkerPool() {
    AcquireSRWLockExclusive(&lock_);
    stopping_ = true;
    ReleaseSRWLockExclusive(&lock_);
    WakeAllConditionVariable(&jobReady_);
    for (const UniqueHandle& thread : threads_)
        WaitForSingleObject(thread.Get(), INFINITE);
}

unsigned WorkerPool::DefaultThreadCount() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::clamp<unsigned>(static_cast<unsigned>(info.dwNumberOfProcessors), 1, 4);
}

DWORD WINAPI WorkerPool::ThreadMain(void* self) {
    static_cast<WorkerPool*>(self)->Work();
    return 0;
}

void WorkerPool::Work() {
    AcquireSRWLockExclusive(&lock_);
    for (;;) {
        while (queue_.empty() && !stopping_)
            SleepConditionVariableSRW(&jobReady_, &lock_, INFINITE, 0);
        if (queue_.empty())
            break;  // stopping, and nothing left to do
        auto [ticket, job] = std::move(queue_.front());
        queue_.pop_front();
        ReleaseSRWLockExclusive(&lock_);
        // Jobs promise not to throw; should one do it anyway, the thread must survive it
        // (an exception leaving a thread ends the process).
        try {
            job();
        } catch (...) {
        }
        job = nullptr;  // what the job holds goes before it is reported done
        AcquireSRWLockExclusive(&lock_);
        finished_.insert(ticket);
        WakeAllConditionVariable(&jobDone_);
    }
    ReleaseSRWLockExclusive(&lock_);
}

std::uint64_t WorkerPool::Start(std::function<void()> job) {
    if (threads_.empty()) {
        try {
            job();
        } catch (...) {
        }
        AcquireSRWLockExclusive(&lock_);
        const std::uint64_t ticket = ++lastTicket_;
        finished_.insert(ticket);
        ReleaseSRWLockExclusive(&lock_);
        return ticket;
    }
    AcquireSRWLockExclusive(&lock_);
    const std::uint64_t ticket = ++lastTicket_;
    queue_.emplace_back(ticket, std::move(job));
    ReleaseSRWLockExclusive(&lock_);
    WakeConditionVariable(&jobReady_);
    return ticket;
}

void WorkerPool::Wait(std::uint64_t ticket) {
    AcquireSRWLockExclusive(&lock_);
    while (finished_.count(ticket) == 0)
        SleepConditionVariableSRW(&jobDone_, &lock_, INFINITE, 0);
    finished_.erase(ticket);
    ReleaseSRWLockExclusive(&lock_);
}

}  // namespace vantrel
