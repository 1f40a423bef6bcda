#pragma once
// The download slots of the artwork cache: at most `limit` downloads hold one
// at a time; later ones wait and are served first come, first served. A
// released slot passes straight to the first waiter, so the count of slots in
// use never dips between a release and the next start.
//
// Work waits without blocking a thread: acquire() posts the given task to the
// executor once a slot is its own, and the task must call release() exactly
// once when it ends. A task the executor drops unrun still owns its slot;
// the caller's guard releases it (see ArtworkCache).
//
// Any thread: one mutex, never held while posting. Throws only std::bad_alloc.

#include "runtime/executor.h"
#include "runtime/task.h"

#include <cstddef>
#include <deque>
#include <mutex>

namespace sorvalind {

class ArtworkPermits {
public:
    static constexpr std::size_t kDefaultLimit = 4;

    explicit ArtworkPermits(Executor& executor, std::size_t limit = kDefaultLimit)
        : executor_(executor), limit_(limit == 0 ? 1 : limit) {}
    ArtworkPermits(const ArtworkPermits&) = delete;
    ArtworkPermits& operator=(const ArtworkPermits&) = delete;

    void acquire(Task work);
    void release();

    std::size_t inUse() const;
    std::size_t waiting() const;

private:
    Executor& executor_;
    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::size_t count_ = 0;
    std::deque<Task> waiting_;
};

} // namespace sorvalind
