#include "util/WorkerThread.h"

#include <immintrin.h>

#include <chrono>
#include <utility>

#include "util/Assert.h"

// How the two threads hand things over. Plain members (the pending task and
// context, the failure) are written by one thread and read by the other only
// across a release/acquire pair of the counters:
//
// - start writes pendingTask and pendingContext, then increments started
//   with release; serve loads started with acquire before it reads them.
// - serve writes failure (and the task writes its results into the
//   caller's context), then stores finished with release; wait loads
//   finished with acquire before it returns and the caller reads them.
// - signal increments signals with release; serve's acquire loads of
//   signals (in awaitChange and after it) see what came before, such as
//   the destructor's stopping flag.
//
// started is written only by the calling thread and finished only by the
// worker, so each reads its own counter relaxed.
namespace {

// How long the thread keeps looking for the next task before it sleeps:
// about what planning a large stroke's first step takes.
constexpr auto kLookBeforeSleep = std::chrono::microseconds(1000);

// Looks for a change of watched for at most limit; true when it came.
bool spinFor(const std::atomic<std::uint32_t>& watched, std::uint32_t seen,
             std::chrono::steady_clock::duration limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (int n = 0; n < 64; ++n) {
            // Acquire: the caller reads what was written before the change.
            if (watched.load(std::memory_order_acquire) != seen) return true;
            _mm_pause();
        }
        if (std::chrono::steady_clock::now() >= until) return false;
    }
}

// Waits for watched to change from seen: looks for a while, then sleeps.
void awaitChange(const std::atomic<std::uint32_t>& watched, std::uint32_t seen) {
    if (!spinFor(watched, seen, kLookBeforeSleep)) watched.wait(seen, std::memory_order_acquire);
}

}  // namespace

void spinUntilChanged(const std::atomic<std::uint32_t>& watched, std::uint32_t seen) {
    for (int n = 0; n < 4096; ++n) {
        if (watched.load(std::memory_order_acquire) != seen) return;
        _mm_pause();
    }
    while (watched.load(std::memory_order_acquire) == seen) std::this_thread::yield();
}

WorkerThread::WorkerThread() : thread([this] { serve(); }) {}

WorkerThread::~WorkerThread() {
    (void)wait();
    stopping.store(true, std::memory_order_relaxed);
    signal();
    thread.join();
}

void WorkerThread::signal() {
    signals.fetch_add(1, std::memory_order_release);
    // Costs nothing unless the thread sleeps.
    signals.notify_one();
}

void WorkerThread::start(Task task, void* context) {
    // The thread reads pendingTask and pendingContext while it runs a task:
    // overwriting them before the last task is waited for would race with
    // it and lose that task.
    SEEP_ASSERT(started.load(std::memory_order_relaxed) == finished.load(std::memory_order_acquire),
                "one task at a time: the last one must be waited for");
    pendingTask = task;
    pendingContext = context;
    // Release: pairs with serve's acquire load of started.
    started.fetch_add(1, std::memory_order_release);
    signal();
}

void WorkerThread::wake() { signal(); }

std::exception_ptr WorkerThread::wait() {
    const std::uint32_t target = started.load(std::memory_order_relaxed);
    // Acquire: pairs with serve's release store of finished.
    for (std::uint32_t done = finished.load(std::memory_order_acquire); done != target;
         done = finished.load(std::memory_order_acquire)) {
        awaitChange(finished, done);
    }
    return std::exchange(failure, nullptr);
}

void WorkerThread::serve() {
    std::uint32_t seenSignals = 0;
    std::uint32_t done = 0;
    for (;;) {
        awaitChange(signals, seenSignals);
        // Acquire: pairs with signal's release, so stopping is seen.
        seenSignals = signals.load(std::memory_order_acquire);
        if (stopping.load(std::memory_order_relaxed)) return;
        // Acquire: pairs with start's release, so the task is seen.
        const std::uint32_t now = started.load(std::memory_order_acquire);
        if (now == done) continue;
        try {
            pendingTask(pendingContext);
        } catch (...) {
            failure = std::current_exception();
        }
        done = now;
        // Release: pairs with wait's acquire load of finished.
        finished.store(done, std::memory_order_release);
        finished.notify_one();
    }
}
