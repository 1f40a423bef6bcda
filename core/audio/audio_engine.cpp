#include "audio/audio_engine.h"

#include "audio/offline_output.h"

#include <algorithm>
#include <future>
#include <stdexcept>

namespace sorvalind {

AudioEngine::AudioEngine(std::unique_ptr<AudioOutput> output)
    : notifications_(std::make_shared<SerialQueue>("audio-notify")), output_(std::move(output)),
      change_(std::make_shared<ChangeHandler>()) {
    if (!output_) throw std::invalid_argument("an audio engine needs an output");
}

AudioEngine::~AudioEngine() {
    stop();
    // The pipeline holding the engine may let go of it inside a buffer
    // completion, on the notification thread itself.
    shutdownFromAnyThread(notifications_);
}

std::shared_ptr<PlayerNode> AudioEngine::makePlayerNode() {
    auto node = std::make_shared<PlayerNode>(notifications_);
    std::lock_guard lock(mutex_);
    nodes_.push_back(node);
    return node;
}

void AudioEngine::start() {
    if (output_->isRunning()) return;
    // The output counts played frames from its start; so does the engine.
    renderedFrames_ = 0;
    output_->start(*this);
}

void AudioEngine::stop() noexcept {
    output_->stop();
    std::vector<std::shared_ptr<PlayerNode>> nodes;
    {
        std::lock_guard lock(mutex_);
        nodes = nodes_;
    }
    for (auto& node : nodes)
        node->abandonPlayback();
}

bool AudioEngine::isRunning() const noexcept {
    return output_->isRunning();
}

PCMBuffer AudioEngine::renderOffline(std::size_t frames) {
    auto* offline = dynamic_cast<OfflineOutput*>(output_.get());
    if (!offline) throw std::logic_error("renderOffline needs the manual rendering mode");
    return offline->render(frames);
}

void AudioEngine::setConfigurationChangeHandler(std::function<void()> handler) {
    std::lock_guard lock(change_->mutex);
    change_->handler = std::move(handler);
}

void AudioEngine::waitForNotifications() {
    std::promise<void> done;
    auto future = done.get_future();
    notifications_->post([&done] { done.set_value(); });
    future.wait();
}

void AudioEngine::render(float* interleaved, std::size_t frames) {
    std::fill(interleaved, interleaved + frames * AudioOutput::channels, 0.0f);
    {
        std::lock_guard lock(mutex_);
        rendering_ = nodes_;
    }
    for (auto& node : rendering_)
        node->renderInto(interleaved, frames, renderedFrames_);
    renderedFrames_ += static_cast<std::int64_t>(frames);
}

void AudioEngine::played(std::int64_t frames) {
    for (auto& node : rendering_)
        node->playedThrough(frames);
}

void AudioEngine::outputChanged() {
    // Weakly: a notification queued when the engine goes away on the
    // notification thread runs after it is gone.
    notifications_->post([weak = std::weak_ptr<ChangeHandler>(change_)] {
        auto change = weak.lock();
        if (!change) return;
        std::function<void()> handler;
        {
            std::lock_guard lock(change->mutex);
            handler = change->handler;
        }
        if (handler) handler();
    });
}

} // namespace sorvalind
