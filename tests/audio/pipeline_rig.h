#pragma once
// Helpers of the pipeline tests: queue entries and sources for test songs,
// a log of the pipeline's events, and a pipeline on the offline output that
// keeps everything it renders.

#include "engine_test_support.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "playback/audio_pipeline.h"

#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sorvalind::testing {

using Event = AudioPipeline::Event;
using Kind = AudioPipeline::Event::Kind;

// An entry whose song id is "song-<n>"; a fresh entry id each call.
QueueEntry songEntry(int n);
// A source that reads a local file from any start time.
AudioPipeline::Source fileSource(QueueEntry entry, std::filesystem::path path);

// The events of every run, in delivery order.
class EventLog {
public:
    AudioPipeline::EventHandler handler();
    std::vector<Event> of(const std::string& token) const;
    // Waits until `done` holds for the run's events; a hang ends with a test
    // failure (the bound is only against a hang) and returns false.
    bool waitFor(const std::string& token, const std::function<bool(const std::vector<Event>&)>& done) const;
    bool waitFor(const std::string& token, const Event& event, std::size_t times = 1) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::pair<std::string, Event>> events_;
};

std::size_t count(const std::vector<Event>& events, const Event& event);
// Index of the first such event; events.size() when there is none.
std::size_t indexOf(const std::vector<Event>& events, const Event& event);

// A pipeline on an engine in the manual rendering mode.
struct OfflineRig {
    explicit OfflineRig(std::shared_ptr<HttpTransport> transport = nullptr);
    ~OfflineRig();

    // Renders `frames` more frames into `output`.
    void render(std::size_t frames);

    std::shared_ptr<AudioEngine> engine;
    std::shared_ptr<AudioPipeline> pipeline;
    EventLog log;
    PCMBuffer output;
};

// Fails the test with the first frame where `actual` and `expected` differ,
// naming what the coded songs say each frame is.
void expectSameFrames(const PCMBuffer& actual, const PCMBuffer& expected);

} // namespace sorvalind::testing

namespace sorvalind::testing {

// Waits until `done` holds, for what the pipeline's queues do without
// reporting it; a hang fails the test naming `what` (the bound is only
// against a hang).
void waitUntil(const std::function<bool()>& done, const std::string& what);

// Waits until the node plays (or stands still): transport calls run on the
// pipeline's control queue and say nothing when they are done.
void waitForNode(const AudioPipeline& pipeline, bool playing);

} // namespace sorvalind::testing
