#include "playback/audio_engine.h"

#include "playback/offline_output.h"

#include <algorithm>
#include <future>
#include <stdexcept>

namespace sorvalind {

AudioEngine::AudioEngine(std::unique_ptr<AudioOutput> output)
    : notifications_(std::make_shared<SerialQueue>("audio-notify")), output_(std::move(output)) {
    if (!output_) throw std::invalid_argument("an audio engine needs an output");
}

AudioEngine::~AudioEngine() {
    stop();
    notifications_->shutdown();
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
    std::lock_guard lock(mutex_);
    changeHandler_ = std::move(handler);
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
    notifications_->post([this] {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            handler = changeHandler_;
        }
        if (handler) handler();
    });
}

} // namespace sorvalind
