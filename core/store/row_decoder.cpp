#include "store/row_decoder.h"

#include <algorithm>

#include <sched.h>
#include <sys/mman.h>

namespace sorvalind {

RowDecoder::RowDecoder() = default;

RowDecoder::~RowDecoder() {
    if (pool_) pool_->shutdown();
}

WorkerPool& RowDecoder::pool() {
    // The reading thread is busy stepping the statement, so the decoders get
    // the other processors, up to four.
    if (!pool_) {
        cpu_set_t usable;
        CPU_ZERO(&usable);
        const int processors = sched_getaffinity(0, sizeof usable, &usable) == 0 ? CPU_COUNT(&usable) : 2;
        threads_ = static_cast<std::size_t>(std::clamp(processors - 1, 1, 4));
        pool_ = std::make_unique<WorkerPool>(threads_, "library-decode");
    }
    return *pool_;
}

RowDecoder::Chunk RowDecoder::takeChunk() {
    Chunk chunk;
    {
        std::lock_guard lock(sparesMutex_);
        if (!spares_.empty()) {
            chunk = std::move(spares_.back());
            spares_.pop_back();
        }
    }
    chunk.ends.reserve(chunkRows);
    // Room for the rows at once: grown row by row, a chunk's text is copied
    // a dozen times over while the statement waits.
    if (rowBytes_ > 0) chunk.text.reserve(chunkRows * rowBytes_ + chunkRows * rowBytes_ / 4);
    return chunk;
}

void RowDecoder::giveBack(Chunk chunk) noexcept {
    chunk.text.clear();
    chunk.ends.clear();
    std::lock_guard lock(sparesMutex_);
    if (spares_.size() < spareChunks) {
        try {
            spares_.push_back(std::move(chunk));
        } catch (...) {
            // No room to keep it: it is released instead.
        }
    }
}

void RowDecoder::preferHugePages(const void* data, std::size_t bytes) noexcept {
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(hugePage - 1);
    // Only whole huge pages inside the buffer; an advice the kernel refuses
    // changes nothing.
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

} // namespace sorvalind
