#include "support/crash_guard.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vantrel {
namespace {

void* HandlerChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

// The address is read at run time, so the compiler can neither warn nor turn it into a trap.
volatile std::uintptr_t nowhereAddress = 0;

void WriteThroughNull() {
    *reinterpret_cast<volatile int*>(nowhereAddress) = 1;
}

volatile int zero = 0;
volatile int quotientSink = 0;

int DivideByZero() {
    quotientSink = 10 / zero;  // stored, so the division cannot be left out
    return quotientSink;
}

constexpr std::uint32_t kAccessViolation = 0xC0000005;
constexpr std::uint32_t kIntegerDivideByZero = 0xC0000094;

TEST(CrashGuard, ANormalCallRunsAndReportsNoCrash) {
    void* const before = HandlerChainHead();
    int calls = 0;
    const GuardResult result = RunGuarded([&] { ++calls; });
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exceptionCode, 0u);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, AnAccessViolationIsContained) {
    void* const before = HandlerChainHead();
    bool reachedEnd = false;
    const GuardResult result = RunGuarded([&] {
        WriteThroughNull();
        reachedEnd = true;
    });
    EXPECT_TRUE(result.crashed);
    EXPECT_EQ(result.exceptionCode, kAccessViolation);
    EXPECT_NE(result.address, nullptr);
    EXPECT_FALSE(reachedEnd);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, ADivisionByZeroIsContained) {
    void* const before = HandlerChainHead();
    int quotient = 0;
    const GuardResult result = RunGuarded([&] { quotient = DivideByZero(); });
    EXPECT_TRUE(result.crashed);
    EXPECT_EQ(result.exceptionCode, kIntegerDivideByZero);
    EXPECT_EQ(quotient, 0);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, ManyCrashesInARowAreEachContained) {
    void* const before = HandlerChainHead();
    for (int i = 0; i < 50; ++i) {
        const GuardResult result = RunGuarded([i] {
            if (i % 2 == 0)
                WriteThroughNull();
            else
                DivideByZero();
        });
        ASSERT_TRUE(result.crashed) << i;
        EXPECT_EQ(result.exceptionCode, i % 2 == 0 ? kAccessViolation : kIntegerDivideByZero) << i;
        ASSERT_EQ(HandlerChainHead(), before) << i;
    }
    // And a clean call afterwards still works.
    EXPECT_FALSE(RunGuarded([] {}).crashed);
}

TEST(CrashGuard, TheInnermostGuardTakesTheCrashAndTheOuterCallGoesOn) {
    void* const before = HandlerChainHead();
    GuardResult inner;
    bool outerReachedEnd = false;
    const GuardResult outer = RunGuarded([&] {
        inner = RunGuarded([] { WriteThroughNull(); });
        outerReachedEnd = true;
    });
    EXPECT_TRUE(inner.crashed);
    EXPECT_FALSE(outer.crashed);
    EXPECT_TRUE(outerReachedEnd);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, ACrashAfterAnInnerGuardReturnedGoesToTheOuterGuard) {
    void* const before = HandlerChainHead();
    GuardResult inner;
    const GuardResult outer = RunGuarded([&] {
        inner = RunGuarded([] {});
        DivideByZero();
    });
    EXPECT_FALSE(inner.crashed);
    EXPECT_TRUE(outer.crashed);
    EXPECT_EQ(outer.exceptionCode, kIntegerDivideByZero);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, CxxExceptionsPassThroughUnchangedAndTheChainIsRestored) {
    void* const before = HandlerChainHead();
    try {
        RunGuarded([] { throw std::runtime_error("through the guard"); });
        ADD_FAILURE() << "the exception did not arrive";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "through the guard");
    }
    EXPECT_EQ(HandlerChainHead(), before);
    // The guard still works after an exception went through it.
    EXPECT_TRUE(RunGuarded([] { WriteThroughNull(); }).crashed);
    EXPECT_EQ(HandlerChainHead(), before);
}

TEST(CrashGuard, CxxExceptionsCaughtInsideTheGuardAreNoCrash) {
    int caught = 0;
    const GuardResult result = RunGuarded([&] {
        try {
            throw std::logic_error("inside");
        } catch (const std::logic_error&) {
            ++caught;
        }
    });
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(caught, 1);
}

TEST(CrashGuard, AnUnhandledRaisedErrorIsACrashWithItsCode) {
    const GuardResult result = RunGuarded([] { RaiseException(0xE0001234, 0, 0, nullptr); });
    EXPECT_TRUE(result.crashed);
    EXPECT_EQ(result.exceptionCode, 0xE0001234u);
}

TEST(CrashGuard, DebugOutputIsNotMistakenForACrash) {
    // Debug output is raised as an informational exception that the system handles itself.
    bool reachedEnd = false;
    const GuardResult result = RunGuarded([&] {
        OutputDebugStringW(L"crash guard test\n");
        reachedEnd = true;
    });
    EXPECT_FALSE(result.crashed);
    EXPECT_TRUE(reachedEnd);
}

DWORD WINAPI CrashOnThisThread(void* parameter) {
    auto* result = static_cast<GuardResult*>(parameter);
    void* const before = HandlerChainHead();
    *result = RunGuarded([] { WriteThroughNull(); });
    return HandlerChainHead() == before ? 0 : 1;
}

TEST(CrashGuard, WorksOnAnotherThread) {
    GuardResult result;
    HANDLE thread = CreateThread(nullptr, 0, &CrashOnThisThread, &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(result.crashed);
    EXPECT_EQ(result.exceptionCode, kAccessViolation);
}

}  // namespace
}  // namespace vantrel
