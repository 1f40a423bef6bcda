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
    interleaved_.assign(frames * channels, 0.0f);
    renderer_->render(interleaved_.data(), frames);
    rendered_ += static_cast<std::int64_t>(frames);
    renderer_->played(rendered_);
    PCMBuffer buffer;
    for (std::size_t c = 0; c < channels; ++c) {
        buffer.channels[c].resize(frames);
        for (std::size_t i = 0; i < frames; ++i)
            buffer.channels[c][i] = interleaved_[i * channels + c];
    }
    return buffer;
}

} // namespace sorvalind
