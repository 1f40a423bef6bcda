#include "model/artwork_permits.h"

#include <utility>

namespace sorvalind {

void ArtworkPermits::acquire(Task work) {
    {
        std::lock_guard lock(mutex_);
        if (count_ >= limit_) {
            waiting_.push_back(std::move(work));
            return;
        }
        ++count_;
    }
    executor_.post(std::move(work));
}

void ArtworkPermits::release() {
    Task next;
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty()) {
            if (count_ > 0) --count_;
            return;
        }
        // The slot passes to the first waiter; the count stays.
        next = std::move(waiting_.front());
        waiting_.pop_front();
    }
    executor_.post(std::move(next));
}

std::size_t ArtworkPermits::inUse() const {
    std::lock_guard lock(mutex_);
    return count_;
}

std::size_t ArtworkPermits::waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

} // namespace sorvalind
