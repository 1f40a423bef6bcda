#pragma once
// Helpers of the engine tests: buffers whose every sample tells where it came
// from, and a recorder of buffer completions.

#include "audio/player_node.h"
#include "platform/ffmpeg/pcm_buffer.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sorvalind::testing {

// `frames` frames whose left sample i is first + i and right sample is its
// negative: exact in float for values below 2^24.
std::shared_ptr<const PCMBuffer> rampBuffer(std::size_t frames, float first);

// A buffer of `frames` silent frames' worth of timeline, as expected output.
PCMBuffer silence(std::size_t frames);

// Writes `buffer` into `into` from frame `at` on, as the node would play it.
void place(PCMBuffer& into, const PCMBuffer& buffer, std::size_t at, std::size_t from = 0,
           std::size_t count = SIZE_MAX, float gain = 1.0f);

void append(PCMBuffer& into, const PCMBuffer& more);

// Collects completions by name, in the order they run, with their thread.
class CompletionLog {
public:
    struct Entry {
        std::string name;
        BufferEnd end;
        std::thread::id thread;
    };

    BufferCompletion completion(std::string name);
    std::vector<Entry> entries() const;
    std::vector<std::string> names() const;
    // Waits (bounded, against a hang only) until `count` completions ran.
    bool waitFor(std::size_t count) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Entry> entries_;
};

} // namespace sorvalind::testing
