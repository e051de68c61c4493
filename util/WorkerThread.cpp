#include "util/WorkerThread.h"

#include <immintrin.h>

#include <chrono>
#include <utility>

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
    pendingTask = task;
    pendingContext = context;
    started.fetch_add(1, std::memory_order_release);
    signal();
}

void WorkerThread::wake() { signal(); }

std::exception_ptr WorkerThread::wait() {
    const std::uint32_t target = started.load(std::memory_order_relaxed);
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
        seenSignals = signals.load(std::memory_order_acquire);
        if (stopping.load(std::memory_order_relaxed)) return;
        const std::uint32_t now = started.load(std::memory_order_acquire);
        if (now == done) continue;
        try {
            pendingTask(pendingContext);
        } catch (...) {
            failure = std::current_exception();
        }
        done = now;
        finished.store(done, std::memory_order_release);
        finished.notify_one();
    }
}
