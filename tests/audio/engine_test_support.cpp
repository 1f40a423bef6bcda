#include "engine_test_support.h"

#include <algorithm>
#include <chrono>

namespace sorvalind::testing {

std::shared_ptr<const PCMBuffer> rampBuffer(std::size_t frames, float first) {
    auto buffer = std::make_shared<PCMBuffer>();
    buffer->channels[0].resize(frames);
    buffer->channels[1].resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        buffer->channels[0][i] = first + static_cast<float>(i);
        buffer->channels[1][i] = -(first + static_cast<float>(i));
    }
    return buffer;
}

PCMBuffer silence(std::size_t frames) {
    PCMBuffer buffer;
    buffer.channels[0].assign(frames, 0.0f);
    buffer.channels[1].assign(frames, 0.0f);
    return buffer;
}

void place(PCMBuffer& into, const PCMBuffer& buffer, std::size_t at, std::size_t from, std::size_t count,
           float gain) {
    count = std::min(count, buffer.frameLength() - from);
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < count && at + i < into.frameLength(); ++i)
            into.channels[c][at + i] = buffer.channels[c][from + i] * gain;
}

void append(PCMBuffer& into, const PCMBuffer& more) {
    for (std::size_t c = 0; c < 2; ++c)
        into.channels[c].insert(into.channels[c].end(), more.channels[c].begin(), more.channels[c].end());
}

BufferCompletion CompletionLog::completion(std::string name) {
    return [this, name = std::move(name)](BufferEnd end) {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back(Entry{name, end, std::this_thread::get_id()});
        }
        changed_.notify_all();
    };
}

std::vector<CompletionLog::Entry> CompletionLog::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> CompletionLog::names() const {
    std::vector<std::string> names;
    for (const auto& entry : entries())
        names.push_back(entry.name);
    return names;
}

bool CompletionLog::waitFor(std::size_t count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] { return entries_.size() >= count; });
}

} // namespace sorvalind::testing
