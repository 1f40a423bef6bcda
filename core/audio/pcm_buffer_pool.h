#pragma once
// Storage for PCM buffers, handed round between the decoder that fills them
// and the threads that let go of them once played. A song decodes into tens
// of megabytes of buffers of a few thousand frames each; memory freed back
// to the allocator may go back to the system and be faulted in again page by
// page, so the storage of buffers let go is kept here for the next ones.
//
// Bounded: at most `buffers` buffers are kept, each of at most
// `framesPerBuffer` frames of capacity; what does not fit is freed. What
// take() hands out is empty (no frames) whatever it held before.
//
// Threads: every member may be called from any thread; one internal mutex,
// held only to move a buffer in or out. share() needs the pool to be owned
// by a std::shared_ptr (make() gives one) for the buffer to come back; a
// shared buffer outliving its pool is simply freed.

#include "platform/ffmpeg/pcm_buffer.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace sorvalind {

class PCMBufferPool : public std::enable_shared_from_this<PCMBufferPool> {
public:
    // Enough for what a stop or a seek drops at once to come back in part;
    // 4 MiB at most.
    static constexpr std::size_t defaultBuffers = 32;
    static constexpr std::size_t defaultFramesPerBuffer = 16384;

    explicit PCMBufferPool(std::size_t buffers = defaultBuffers,
                           std::size_t framesPerBuffer = defaultFramesPerBuffer);
    static std::shared_ptr<PCMBufferPool> make(std::size_t buffers = defaultBuffers,
                                               std::size_t framesPerBuffer = defaultFramesPerBuffer);
    PCMBufferPool(const PCMBufferPool&) = delete;
    PCMBufferPool& operator=(const PCMBufferPool&) = delete;

    // An empty buffer, with the storage of one given back when there is one.
    PCMBuffer take();
    // Keeps the buffer's storage for a later take(), unless the pool is full
    // or the storage is larger than the pool keeps.
    void give(PCMBuffer buffer) noexcept;
    // The buffer, shared; its storage comes back here when the last owner
    // lets go (on that owner's thread).
    std::shared_ptr<const PCMBuffer> share(PCMBuffer buffer);

    // How many buffers are kept now.
    std::size_t kept() const;

private:
    const std::size_t buffers_;
    const std::size_t framesPerBuffer_;
    mutable std::mutex mutex_;
    std::vector<PCMBuffer> kept_;
};

} // namespace sorvalind
