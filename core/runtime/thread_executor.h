#pragma once
// Executors on real threads, for blocking work (SQLite, libcurl, decoding,
// the keyring) and for actors that own such state.
//
// A SerialQueue has one thread, so tasks run one at a time in posting order:
// an actor keeps its state on one SerialQueue and touches it only from tasks
// posted there. A WorkerPool runs tasks on N threads, starting them in posting
// order; use it for independent blocking jobs.
//
// Timers use the real steady clock. post/postAt/shutdown: any thread except
// that shutdown and the destructor must not run on the executor's own
// threads. Shutdown (or destruction) runs the tasks already posted, drops
// pending timers and later posts, then joins the threads. Tasks must not
// throw (an escaping exception terminates the program).

#include "runtime/executor.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sorvalind {

// How an executor's threads compete for the processor. `yielding` is for
// work done ahead of need, such as decoding seconds before they play: when
// processors are short it gives way to the threads someone is waiting on
// (the main loop, the sound's own threads). On Linux a thread may always
// lower its own priority; where even that is refused it runs as `normal`.
enum class ThreadPriority { normal, yielding };

class ThreadExecutor : public Executor {
public:
    ~ThreadExecutor() override;
    ThreadExecutor(const ThreadExecutor&) = delete;
    ThreadExecutor& operator=(const ThreadExecutor&) = delete;

    void post(Task task) override;
    void postAt(SteadyTime when, Task task) override;
    const SteadyClock& clock() const noexcept override { return systemSteadyClock(); }
    bool isCurrent() const noexcept override;

    // Idempotent; see the header comment for what it runs and drops.
    void shutdown() noexcept;

protected:
    // `name` labels the threads for debuggers (first 15 bytes).
    ThreadExecutor(std::size_t threads, const std::string& name,
                   ThreadPriority priority = ThreadPriority::normal);

private:
    struct Timer {
        SteadyTime due;
        std::uint64_t sequence;
        Task task;
    };
    static bool later(const Timer& a, const Timer& b) noexcept;
    void run() noexcept;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> ready_;
    std::vector<Timer> timers_; // a min-heap on (due, sequence)
    std::uint64_t nextSequence_ = 0;
    bool stopping_ = false;
    ThreadPriority priority_;
    std::vector<std::thread> threads_;
};

class SerialQueue final : public ThreadExecutor {
public:
    explicit SerialQueue(const std::string& name = "serial", ThreadPriority priority = ThreadPriority::normal)
        : ThreadExecutor(1, name, priority) {}
};

class WorkerPool final : public ThreadExecutor {
public:
    // At least one thread.
    explicit WorkerPool(std::size_t threads, const std::string& name = "worker")
        : ThreadExecutor(threads == 0 ? 1 : threads, name) {}
};

// Shuts `executor` down from an owner's destructor that may run inside one of
// the executor's own tasks (the owner's last holder let go there, as a
// completion or event delivery does). A thread cannot join itself, so then a
// helper thread, holding the executor, shuts it down once that task has
// returned; from any other thread it shuts down at once.
void shutdownFromAnyThread(std::shared_ptr<ThreadExecutor> executor) noexcept;

} // namespace sorvalind
