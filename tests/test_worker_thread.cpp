#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "util/WorkerThread.h"

namespace {

void addOne(void* context) { static_cast<std::atomic<int>*>(context)->fetch_add(1); }

void slowlyAddOne(void* context) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    addOne(context);
}

void fail(void*) { throw std::runtime_error("lane failed"); }

TEST(WorkerThread, RunsEachTaskOnItsOwnThreadAndWaitReturnsWhenItIsDone) {
    WorkerThread worker;
    std::atomic<int> count{0};
    // The first task finds the thread still looking, the next ones asleep
    // (after a pause longer than it looks) or woken early.
    for (int n = 0; n < 5; ++n) {
        if (n == 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (n == 3) worker.wake();
        worker.start(n % 2 == 0 ? slowlyAddOne : addOne, &count);
        EXPECT_EQ(worker.wait(), nullptr);
        EXPECT_EQ(count.load(), n + 1);
    }
    // Waiting with no task started returns at once.
    EXPECT_EQ(worker.wait(), nullptr);
}

TEST(WorkerThread, AnExceptionComesBackFromWaitAndTheThreadServesOn) {
    WorkerThread worker;
    worker.start(fail, nullptr);
    const std::exception_ptr thrown = worker.wait();
    ASSERT_NE(thrown, nullptr);
    EXPECT_THROW(std::rethrow_exception(thrown), std::runtime_error);
    std::atomic<int> count{0};
    worker.start(addOne, &count);
    EXPECT_EQ(worker.wait(), nullptr);
    EXPECT_EQ(count.load(), 1);
}

TEST(WorkerThread, RunBesideWaitsForTheTaskEvenWhenItsOwnShareThrows) {
    WorkerThread worker;
    std::atomic<int> count{0};
    worker.runBeside(slowlyAddOne, &count, [&count] { count.fetch_add(10); });
    EXPECT_EQ(count.load(), 11);
    // The caller's exception comes first, and only after the task is done.
    EXPECT_THROW(worker.runBeside(slowlyAddOne, &count, [] { throw std::logic_error("own share"); }),
                 std::logic_error);
    EXPECT_EQ(count.load(), 12);
    // The task's exception comes back when the caller's share went well.
    EXPECT_THROW(worker.runBeside(fail, nullptr, [] {}), std::runtime_error);
}

TEST(WorkerThread, SpinUntilChangedReturnsOnceAnotherThreadWrites) {
    std::atomic<std::uint32_t> flag{0};
    std::thread writer([&flag] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        flag.store(1);
    });
    spinUntilChanged(flag, 0);
    EXPECT_EQ(flag.load(), 1u);
    writer.join();
}

TEST(WorkerThread, GoesAwayCleanlyWhileBusyAsleepOrNeverUsed) {
    std::atomic<int> count{0};
    {
        WorkerThread unused;
    }
    {
        WorkerThread sleeping;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    {
        WorkerThread busy;
        busy.start(slowlyAddOne, &count);
    }
    EXPECT_EQ(count.load(), 1);
}

}  // namespace
