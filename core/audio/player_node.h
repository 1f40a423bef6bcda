#pragma once
// One player on the audio engine: PCM buffers (48000 Hz stereo float)
// scheduled at player sample times, played when their time comes.
//
// Timeline. The player sample time counts the frames the node has rendered
// since the first play() after it was made or stopped, gaps included: it
// advances only while playing, stands still while paused and is none until
// that first play(). Frame i of a buffer scheduled at time t plays at t + i.
// Where nothing is scheduled the node gives silence. Buffers play in
// scheduling order; a frame whose time has already passed when the node
// reaches it is skipped, never played late, so no frame plays twice and the
// timeline never shifts.
//
// Interrupts. A buffer scheduled with `interrupts` at time s drops every
// frame scheduled before it at or after s: buffers that start at or after s
// are dropped whole, a buffer that straddles s is cut to end at s. What was
// scheduled before s still plays, so a splice at s is gapless.
//
// Completions. Each buffer has one completion, called once, at the point its
// scheduler chose: `consumed` when the node has read its last frame,
// `rendered` when that frame has been handed to the output, `playedBack` when
// the output has played it. A buffer dropped by stop() or an interrupt is
// completed at once with `dropped`. Completions run one at a time in the
// order they happen, on the engine's notification thread, never under the
// node's lock, so a completion may call the node.
//
// Threads: every member may be called from any thread; one internal mutex,
// never held while anything outside the node runs. Made by
// AudioEngine::makePlayerNode; the engine renders it on the output's thread.
// Throws only std::bad_alloc and std::invalid_argument (a null buffer).

#include "platform/ffmpeg/pcm_buffer.h"
#include "runtime/executor.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace sorvalind {

enum class CompletionPoint { consumed, rendered, playedBack };
// How a buffer's time on the node ended.
enum class BufferEnd { completed, dropped };
using BufferCompletion = std::function<void(BufferEnd)>;

class PlayerNode {
public:
    // `notifications` is the serial executor on which completions run.
    explicit PlayerNode(std::shared_ptr<Executor> notifications);
    PlayerNode(const PlayerNode&) = delete;
    PlayerNode& operator=(const PlayerNode&) = delete;

    // Schedules `buffer` at player sample time `at`, or right after the last
    // buffer scheduled (at the current time when there is none) without one.
    void scheduleBuffer(std::shared_ptr<const PCMBuffer> buffer, std::optional<std::int64_t> at,
                        bool interrupts, CompletionPoint point, BufferCompletion completion);

    void play();
    // Keeps the timeline and what is scheduled.
    void pause();
    // Drops everything scheduled (completing it with `dropped`) and ends the
    // timeline: the next play() starts at sample time 0.
    void stop();
    bool isPlaying() const;

    std::optional<std::int64_t> playerSampleTime() const;
    // Frames scheduled that the node has not reached yet: what a producer
    // running ahead of the sound has put in front of it.
    std::int64_t scheduledFrames() const;

    // A gain applied to every sample, from the next rendered block on.
    void setVolume(float volume) noexcept { volume_.store(volume); }
    float volume() const noexcept { return volume_.load(); }

private:
    friend class AudioEngine;

    struct Scheduled {
        std::shared_ptr<const PCMBuffer> pcm;
        std::int64_t start;
        std::int64_t end; // a cut may move it before start + length
        CompletionPoint point;
        BufferCompletion completion;
    };
    struct PlayedBack {
        std::int64_t engineFrame;
        BufferCompletion completion;
    };

    // With the engine's output: adds the next `frames` frames into
    // `interleaved`. `engineFrame` is the output frame of the first of them.
    void renderInto(float* interleaved, std::size_t frames, std::int64_t engineFrame);
    // Output frames before `engineFrame` have been played.
    void playedThrough(std::int64_t engineFrame);
    // The output stopped: what it had not played yet never will be.
    void abandonPlayback();

    using Completions = std::vector<std::pair<BufferCompletion, BufferEnd>>;
    // Adds a completion to a batch, with mutex_ held.
    static void complete(Completions& batch, BufferCompletion completion, BufferEnd end);
    // Queues a batch, in order, with mutex_ held.
    void post(Completions batch);

    std::shared_ptr<Executor> notifications_;
    std::atomic<float> volume_{1.0f};

    mutable std::mutex mutex_;
    std::deque<Scheduled> scheduled_;
    std::deque<PlayedBack> awaitingPlayback_;
    bool playing_ = false;
    bool hasTimeline_ = false;
    std::int64_t sampleTime_ = 0;
};

} // namespace sorvalind
