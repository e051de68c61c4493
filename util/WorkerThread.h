#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <thread>

// A second thread for work split in two: the caller hands it one share,
// does the other itself, then waits for it. Between tasks the thread
// sleeps; it looks for the next task for a short while first, since a
// painting's steps come back to back and waking a sleeping thread takes
// longer than a small share. A caller that knows a task is coming wakes it
// early.
class WorkerThread {
public:
    using Task = void (*)(void* context);

    WorkerThread();
    ~WorkerThread();

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts task(context) on the thread. One task at a time: the last one
    // must have been waited for.
    void start(Task task, void* context);
    // Returns once the task started last has finished (at once if none),
    // with what it threw, if anything.
    [[nodiscard]] std::exception_ptr wait();
    // Gets a sleeping thread up, so it is looking when the next task comes.
    void wake();

    // Runs task(context) on the thread and own() on this one at the same
    // time, and returns once both are done. The task works with the
    // caller's locals, so it is always waited for, also when own() throws;
    // then what own() threw is passed on, else what the task threw.
    template <typename Own>
    void runBeside(Task task, void* context, Own&& own) {
        start(task, context);
        std::exception_ptr ownFailure;
        try {
            own();
        } catch (...) {
            ownFailure = std::current_exception();
        }
        const std::exception_ptr taskFailure = wait();
        if (ownFailure) std::rethrow_exception(ownFailure);
        if (taskFailure) std::rethrow_exception(taskFailure);
    }

private:
    void serve();
    void signal();

    Task pendingTask = nullptr;
    void* pendingContext = nullptr;
    std::exception_ptr failure;
    std::atomic<bool> stopping{false};
    // Tasks started and finished, counted; the thread watches signals, which
    // count tasks and wake-ups alike. Each on its own cache line: each is
    // written by one thread and watched by the other.
    alignas(64) std::atomic<std::uint32_t> signals{0};
    alignas(64) std::atomic<std::uint32_t> started{0};
    alignas(64) std::atomic<std::uint32_t> finished{0};
    std::thread thread;
};

// Waits until watched holds a value other than seen, spinning briefly, then
// yielding the processor between looks; for waits on another thread that is
// busy with work of its own, which end within microseconds.
void spinUntilChanged(const std::atomic<std::uint32_t>& watched, std::uint32_t seen);
