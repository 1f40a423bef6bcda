#include "playback/audio_pipeline_core.h"

#include "platform/crypto/digest.h"

namespace sorvalind {

namespace {

// Runs what the queue still holds and joins its thread, unless the caller is
// that thread (the owner let go from inside an event delivery): then the
// queue drains when its last holder lets go.
void drain(ThreadExecutor& queue) noexcept {
    if (!queue.isCurrent()) queue.shutdown();
}

} // namespace

AudioPipeline::Core::Core(std::shared_ptr<AudioEngine> engine, std::shared_ptr<PlayerNode> node,
                          std::shared_ptr<HttpTransport> transport)
    : engine(std::move(engine)), node(std::move(node)), transport(std::move(transport)),
      pcmPool(PCMBufferPool::make()), controls(std::make_shared<SerialQueue>("audio-controls")),
      // Decoding runs up to 15 s ahead of the sound; it yields to the
      // threads that carry the sound and the events to the main loop.
      worker(std::make_shared<SerialQueue>("decoder", ThreadPriority::yielding)),
      notifications(std::make_shared<SerialQueue>("audio-events")),
      transfers(std::make_shared<WorkerPool>(2, "audio-streams")), generation(randomUUID()) {}

AudioPipeline::Core::~Core() {
    // The last holder may let go inside a task of one of these queues.
    for (std::shared_ptr<ThreadExecutor> queue :
         {std::shared_ptr<ThreadExecutor>(controls), std::shared_ptr<ThreadExecutor>(worker),
          std::shared_ptr<ThreadExecutor>(notifications), std::shared_ptr<ThreadExecutor>(transfers)})
        shutdownFromAnyThread(std::move(queue));
}

void AudioPipeline::Core::setUp() {
    std::weak_ptr<Core> weak = weak_from_this();
    engine->setConfigurationChangeHandler([weak] {
        auto self = weak.lock();
        if (!self) return;
        Token token;
        {
            std::lock_guard lock(self->conditionLock);
            token = self->generation;
        }
        self->emit(token, Event::outputChanged());
    });
}

void AudioPipeline::Core::release() noexcept {
    {
        std::lock_guard lock(eventLock);
        released = true;
        event = nullptr;
    }
    engine->setConfigurationChangeHandler({});
    try {
        std::lock_guard lock(nodeLock);
        reset(randomUUID(), false);
    } catch (...) {
        // Without a fresh token the queued work still ends: a released
        // pipeline starts no run and delivers nothing.
    }
    drain(*controls);
    drain(*worker);
    engine->stop();
    drain(*notifications);
    drain(*transfers);
}

bool AudioPipeline::Core::isReleased() const {
    std::lock_guard lock(eventLock);
    return released;
}

void AudioPipeline::Core::Detached::cancel() noexcept {
    if (reader) reader->cancel();
    if (stream) stream->cancel();
}

void AudioPipeline::Core::start(std::vector<Source> given, double seconds, bool playing, const Token& token,
                                bool repeat) {
    if (isReleased()) return;
    std::shared_ptr<Segment> first;
    {
        std::lock_guard nodeGuard(nodeLock);
        reset(token, playing);
        std::lock_guard lock(conditionLock);
        sources = std::move(given);
        repeatContext = repeat;
        silentOpenings = 0;
        if (!sources.empty()) {
            first = std::make_shared<Segment>(sources.front(), 0);
            segments = {first};
        }
    }
    if (first) runDecodeLoop(first, seconds, token);
}

void AudioPipeline::Core::pause() {
    std::lock_guard nodeGuard(nodeLock);
    {
        std::lock_guard lock(conditionLock);
        shouldPlay = false;
    }
    pausedPlayerFrame = playerFrame();
    node->pause();
}

void AudioPipeline::Core::resume() {
    std::lock_guard nodeGuard(nodeLock);
    std::int64_t scheduled = 0;
    {
        std::lock_guard lock(conditionLock);
        shouldPlay = true;
        scheduled = outstanding;
    }
    if (engine->isRunning() && scheduled > 0) node->play();
}

void AudioPipeline::Core::stop() {
    std::lock_guard nodeGuard(nodeLock);
    reset(randomUUID(), false);
}

void AudioPipeline::Core::volume(float value) {
    std::lock_guard nodeGuard(nodeLock);
    node->setVolume(value);
}

void AudioPipeline::Core::reset(const Token& token, bool playing) {
    Detached detached;
    {
        std::lock_guard lock(conditionLock);
        generation = token;
        detached.reader = std::move(active);
        detached.stream = std::move(activeStream);
        segments.clear();
        sources.clear();
        decoding.reset();
        outstanding = 0;
        shouldPlay = playing;
        waitingForAudio = false;
        condition.notify_all();
    }
    detached.cancel();
    node->stop();
    timelineOffset = 0;
    pausedPlayerFrame.reset();
}

std::optional<std::int64_t> AudioPipeline::Core::playerFrame() const {
    if (auto time = node->playerSampleTime()) return time;
    return pausedPlayerFrame;
}

bool AudioPipeline::Core::contains(const std::shared_ptr<Segment>& segment) const {
    return std::find(segments.begin(), segments.end(), segment) != segments.end();
}

bool AudioPipeline::Core::valid(const std::shared_ptr<Segment>& segment, const Token& token) const {
    return generation == token && contains(segment);
}

void AudioPipeline::Core::setEventHandler(EventHandler handler) {
    std::lock_guard lock(eventLock);
    if (!released) event = std::move(handler);
}

std::optional<QueueEntry> AudioPipeline::Core::entry(const std::string& id) const {
    std::lock_guard lock(conditionLock);
    for (const auto& segment : segments)
        if (segment->source.entry.id == id) return segment->source.entry;
    return std::nullopt;
}

void AudioPipeline::Core::emit(const Token& token, Event sent) {
    notifications->post([weak = weak_from_this(), token, sent = std::move(sent)] {
        auto self = weak.lock();
        if (!self) return;
        EventHandler handler;
        {
            std::lock_guard lock(self->eventLock);
            handler = self->event;
        }
        if (handler) handler(token, sent);
    });
}

} // namespace sorvalind
