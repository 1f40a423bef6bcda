#include "audio/player_node.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace sorvalind {
namespace {

// Adds `frames` frames of the two channels, times `gain`, into the
// interleaved block. In runs of eight frames, which the compiler turns into
// vector instructions without having to check that the block and the
// channels overlap (they never do): the node's lock is held while it mixes,
// and the decoder waits for that lock to schedule its next buffer.
void mixInto(float* __restrict out, const float* __restrict left, const float* __restrict right,
             std::size_t frames, float gain) noexcept {
    constexpr std::size_t run = 8;
    std::size_t i = 0;
    for (; i + run <= frames; i += run)
        for (std::size_t k = i; k < i + run; ++k) {
            out[2 * k] += left[k] * gain;
            out[2 * k + 1] += right[k] * gain;
        }
    for (; i < frames; ++i) {
        out[2 * i] += left[i] * gain;
        out[2 * i + 1] += right[i] * gain;
    }
}

} // namespace

PlayerNode::PlayerNode(std::shared_ptr<Executor> notifications) : notifications_(std::move(notifications)) {}

void PlayerNode::complete(Completions& batch, BufferCompletion completion, BufferEnd end) {
    if (completion) batch.emplace_back(std::move(completion), end);
}

void PlayerNode::post(Completions batch) {
    if (batch.empty()) return;
    // Posting under the lock keeps completions in the order they happen; they
    // run later on the notification thread, outside the lock. One task per
    // batch: a stop drops some hundred buffers, and the notification thread
    // should not be woken for each.
    notifications_->post([batch = std::move(batch)]() mutable {
        for (auto& [completion, end] : batch)
            completion(end);
    });
}

void PlayerNode::scheduleBuffer(std::shared_ptr<const PCMBuffer> buffer, std::optional<std::int64_t> at,
                                bool interrupts, CompletionPoint point, BufferCompletion completion) {
    if (!buffer) throw std::invalid_argument("a scheduled buffer needs audio");
    // Buffers dropped by an interrupt are released after the lock.
    std::deque<Scheduled> dropped;
    std::lock_guard lock(mutex_);
    std::int64_t start;
    if (at) {
        start = *at;
    } else if (!scheduled_.empty()) {
        start = scheduled_.back().end;
    } else {
        start = hasTimeline_ ? sampleTime_ : 0;
    }
    if (interrupts) {
        Completions batch;
        std::deque<Scheduled> kept;
        for (auto& item : scheduled_) {
            if (item.start >= start) {
                complete(batch, std::move(item.completion), BufferEnd::dropped);
                dropped.push_back(std::move(item));
                continue;
            }
            item.end = std::min(item.end, start);
            kept.push_back(std::move(item));
        }
        scheduled_ = std::move(kept);
        post(std::move(batch));
    }
    auto length = static_cast<std::int64_t>(buffer->frameLength());
    scheduled_.push_back(Scheduled{std::move(buffer), start, start + length, point, std::move(completion)});
}

void PlayerNode::play() {
    std::lock_guard lock(mutex_);
    if (!hasTimeline_) {
        hasTimeline_ = true;
        sampleTime_ = 0;
    }
    playing_ = true;
}

void PlayerNode::pause() {
    std::lock_guard lock(mutex_);
    playing_ = false;
}

void PlayerNode::stop() {
    // Some seconds of audio, released after the lock so that the output's
    // thread does not wait for it.
    std::deque<Scheduled> dropped;
    std::lock_guard lock(mutex_);
    playing_ = false;
    hasTimeline_ = false;
    sampleTime_ = 0;
    Completions batch;
    for (auto& item : scheduled_)
        complete(batch, std::move(item.completion), BufferEnd::dropped);
    dropped.swap(scheduled_);
    post(std::move(batch));
}

bool PlayerNode::isPlaying() const {
    std::lock_guard lock(mutex_);
    return playing_;
}

std::optional<std::int64_t> PlayerNode::playerSampleTime() const {
    std::lock_guard lock(mutex_);
    if (!hasTimeline_) return std::nullopt;
    return sampleTime_;
}

void PlayerNode::renderInto(float* interleaved, std::size_t frames, std::int64_t engineFrame) {
    std::lock_guard lock(mutex_);
    if (!playing_) return;
    const float gain = volume_.load();
    const std::int64_t blockStart = sampleTime_;
    const std::int64_t blockEnd = blockStart + static_cast<std::int64_t>(frames);
    std::int64_t position = blockStart;
    Completions consumed;
    Completions rendered;
    auto finish = [&](Scheduled& item, std::int64_t endedAt) {
        switch (item.point) {
        case CompletionPoint::consumed:
            complete(consumed, std::move(item.completion), BufferEnd::completed);
            break;
        case CompletionPoint::rendered:
            complete(rendered, std::move(item.completion), BufferEnd::completed);
            break;
        case CompletionPoint::playedBack:
            if (item.completion)
                awaitingPlayback_.push_back(
                    PlayedBack{engineFrame + (endedAt - blockStart), std::move(item.completion)});
            break;
        }
        scheduled_.pop_front();
    };
    while (!scheduled_.empty()) {
        auto& item = scheduled_.front();
        if (item.end <= position) {
            // Its time has passed (or a cut left nothing of it): done now.
            finish(item, position);
            continue;
        }
        if (position >= blockEnd) break;
        if (item.start > position) {
            // A gap: silence, which is already in the block.
            position = std::min(item.start, blockEnd);
            continue;
        }
        auto until = std::min(item.end, blockEnd);
        auto from = static_cast<std::size_t>(position - item.start);
        auto count = static_cast<std::size_t>(until - position);
        auto* out = interleaved + static_cast<std::size_t>(position - blockStart) * 2;
        mixInto(out, item.pcm->channels[0].data() + from, item.pcm->channels[1].data() + from, count, gain);
        position = until;
        if (position == item.end) finish(item, position);
    }
    sampleTime_ = blockEnd;
    // Consumed ones happened first: their batch goes first.
    post(std::move(consumed));
    post(std::move(rendered));
}

void PlayerNode::playedThrough(std::int64_t engineFrame) {
    std::lock_guard lock(mutex_);
    Completions batch;
    while (!awaitingPlayback_.empty() && awaitingPlayback_.front().engineFrame <= engineFrame) {
        complete(batch, std::move(awaitingPlayback_.front().completion), BufferEnd::completed);
        awaitingPlayback_.pop_front();
    }
    post(std::move(batch));
}

void PlayerNode::abandonPlayback() {
    std::lock_guard lock(mutex_);
    Completions batch;
    for (auto& waiting : awaitingPlayback_)
        complete(batch, std::move(waiting.completion), BufferEnd::dropped);
    awaitingPlayback_.clear();
    post(std::move(batch));
}

} // namespace sorvalind
