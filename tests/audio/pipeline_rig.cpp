#include "pipeline_rig.h"

#include "audio/offline_output.h"
#include "coded_songs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sorvalind::testing {

QueueEntry songEntry(int n) {
    Song song;
    song.id = "song-" + std::to_string(n);
    song.title = "Song " + std::to_string(n);
    return QueueEntry(std::move(song));
}

AudioPipeline::Source fileSource(QueueEntry entry, std::filesystem::path path) {
    return AudioPipeline::Source(std::move(entry), [path = std::move(path)](double) {
        return AudioPipeline::ResolvedSource::file(path);
    });
}

AudioPipeline::EventHandler EventLog::handler() {
    return [this](const std::string& token, const Event& event) {
        std::lock_guard lock(mutex_);
        events_.emplace_back(token, event);
        changed_.notify_all();
    };
}

std::vector<Event> EventLog::of(const std::string& token) const {
    std::lock_guard lock(mutex_);
    std::vector<Event> events;
    for (const auto& [run, event] : events_)
        if (run == token) events.push_back(event);
    return events;
}

bool EventLog::waitFor(const std::string& token,
                       const std::function<bool(const std::vector<Event>&)>& done) const {
    std::unique_lock lock(mutex_);
    auto holds = [&] {
        std::vector<Event> events;
        for (const auto& [run, event] : events_)
            if (run == token) events.push_back(event);
        return done(events);
    };
    if (changed_.wait_for(lock, std::chrono::seconds(120), holds)) return true;
    ADD_FAILURE() << "the pipeline's events never got there";
    return false;
}

bool EventLog::waitFor(const std::string& token, const Event& event, std::size_t times) const {
    return waitFor(token, [&](const std::vector<Event>& events) { return count(events, event) >= times; });
}

std::size_t count(const std::vector<Event>& events, const Event& event) {
    return static_cast<std::size_t>(std::count(events.begin(), events.end(), event));
}

std::size_t indexOf(const std::vector<Event>& events, const Event& event) {
    return static_cast<std::size_t>(std::find(events.begin(), events.end(), event) - events.begin());
}

OfflineRig::OfflineRig(std::shared_ptr<HttpTransport> transport)
    : engine(std::make_shared<AudioEngine>(std::make_unique<OfflineOutput>())),
      pipeline(AudioPipeline::make(engine, std::move(transport))) {
    pipeline->setEventHandler(log.handler());
}

OfflineRig::~OfflineRig() {
    pipeline.reset();
}

void OfflineRig::render(std::size_t frames) {
    append(output, engine->renderOffline(frames));
}

void expectSameFrames(const PCMBuffer& actual, const PCMBuffer& expected) {
    ASSERT_EQ(actual.frameLength(), expected.frameLength());
    auto describe = [](const PCMBuffer& buffer, std::size_t frame) {
        auto origin = codedOrigin(buffer.channels[0][frame]);
        if (!origin) return std::string("silence or no coded frame");
        return "song " + std::to_string(origin->first) + " frame " + std::to_string(origin->second);
    };
    for (std::size_t frame = 0; frame < actual.frameLength(); ++frame) {
        if (actual.channels[0][frame] != expected.channels[0][frame] ||
            actual.channels[1][frame] != expected.channels[1][frame]) {
            FAIL() << "output frame " << frame << " is " << describe(actual, frame) << ", expected "
                   << describe(expected, frame);
        }
    }
}

} // namespace sorvalind::testing

namespace sorvalind::testing {

void waitUntil(const std::function<bool()>& done, const std::string& what) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "never " << what;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void waitForNode(const AudioPipeline& pipeline, bool playing) {
    waitUntil([&] { return pipeline.node()->isPlaying() == playing; },
              playing ? "played the node" : "paused the node");
}

} // namespace sorvalind::testing
