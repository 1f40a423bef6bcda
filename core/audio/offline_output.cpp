#include "audio/offline_output.h"

#include <stdexcept>

namespace sorvalind {

void OfflineOutput::start(AudioRenderer& renderer) {
    std::lock_guard lock(mutex_);
    if (renderer_) return;
    renderer_ = &renderer;
    // Played frames count from each start, as the engine counts them.
    rendered_ = 0;
}

void OfflineOutput::stop() noexcept {
    std::lock_guard lock(mutex_);
    renderer_ = nullptr;
}

bool OfflineOutput::isRunning() const noexcept {
    std::lock_guard lock(mutex_);
    return renderer_ != nullptr;
}

void OfflineOutput::changeDevice(bool lost) {
    std::lock_guard lock(mutex_);
    if (!renderer_) return;
    AudioRenderer& renderer = *renderer_;
    renderer.played(rendered_);
    if (lost) renderer_ = nullptr;
    renderer.outputChanged();
}

PCMBuffer OfflineOutput::render(std::size_t frames) {
    // Held throughout, so stop() returns only once no render runs.
    std::lock_guard lock(mutex_);
    if (!renderer_) throw std::logic_error("the offline output renders only while its engine runs");
    // The renderer fills every frame it is asked for: nothing to clear first.
    interleaved_.resize(frames * channels);
    renderer_->render(interleaved_.data(), frames);
    rendered_ += static_cast<std::int64_t>(frames);
    renderer_->played(rendered_);
    PCMBuffer buffer;
    for (auto& channel : buffer.channels)
        channel.resize(frames);
    const float* in = interleaved_.data();
    float* left = buffer.channels[0].data();
    float* right = buffer.channels[1].data();
    for (std::size_t i = 0; i < frames; ++i) {
        left[i] = in[2 * i];
        right[i] = in[2 * i + 1];
    }
    return buffer;
}

} // namespace sorvalind
