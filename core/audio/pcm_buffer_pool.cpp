#include "audio/pcm_buffer_pool.h"

#include <utility>

namespace sorvalind {
namespace {

// A shared buffer together with the way home of its storage: one allocation
// for both, and the storage goes back when the last owner lets go.
struct Lease {
    Lease(std::weak_ptr<PCMBufferPool> pool, PCMBuffer buffer)
        : pool(std::move(pool)), buffer(std::move(buffer)) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    ~Lease() {
        if (auto home = pool.lock()) home->give(std::move(buffer));
    }

    std::weak_ptr<PCMBufferPool> pool;
    PCMBuffer buffer;
};

} // namespace

PCMBufferPool::PCMBufferPool(std::size_t buffers, std::size_t framesPerBuffer)
    : buffers_(buffers), framesPerBuffer_(framesPerBuffer) {
    kept_.reserve(buffers_);
}

std::shared_ptr<PCMBufferPool> PCMBufferPool::make(std::size_t buffers, std::size_t framesPerBuffer) {
    return std::make_shared<PCMBufferPool>(buffers, framesPerBuffer);
}

PCMBuffer PCMBufferPool::take() {
    PCMBuffer buffer;
    {
        std::lock_guard lock(mutex_);
        if (kept_.empty()) return buffer;
        buffer = std::move(kept_.back());
        kept_.pop_back();
    }
    for (auto& channel : buffer.channels)
        channel.clear();
    return buffer;
}

void PCMBufferPool::give(PCMBuffer buffer) noexcept {
    std::size_t capacity = 0;
    for (const auto& channel : buffer.channels) {
        if (channel.capacity() > framesPerBuffer_) return;
        capacity += channel.capacity();
    }
    if (capacity == 0) return;
    std::lock_guard lock(mutex_);
    // Never grows: the storage was reserved for the most ever kept.
    if (kept_.size() < buffers_) kept_.push_back(std::move(buffer));
}

std::shared_ptr<const PCMBuffer> PCMBufferPool::share(PCMBuffer buffer) {
    auto lease = std::make_shared<Lease>(weak_from_this(), std::move(buffer));
    return std::shared_ptr<const PCMBuffer>(lease, &lease->buffer);
}

std::size_t PCMBufferPool::kept() const {
    std::lock_guard lock(mutex_);
    return kept_.size();
}

} // namespace sorvalind
