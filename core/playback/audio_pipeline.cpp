#include "playback/audio_pipeline.h"

#include "platform/curl/query_item.h"
#include "playback/audio_pipeline_core.h"

#include <stdexcept>

namespace sorvalind {

namespace {

// A file URL for a path, each component percent-encoded.
Url fileUrl(const std::filesystem::path& path) {
    std::string text = "file://";
    for (const auto& part : std::filesystem::absolute(path).relative_path()) {
        text += '/';
        text += percentEncoded(part.string());
    }
    return Url::parse(text);
}

} // namespace

AudioPipeline::ResolvedSource::ResolvedSource(HttpRequest request, bool serverOffset,
                                              std::optional<double> serverStart)
    : request(std::move(request)), serverOffset(serverOffset), serverStart(serverStart) {}

AudioPipeline::ResolvedSource::ResolvedSource(const Url& url, bool serverOffset,
                                              std::optional<double> serverStart)
    : ResolvedSource(HttpRequest(url), serverOffset, serverStart) {
    request.idleTimeout = std::chrono::seconds(60);
}

AudioPipeline::ResolvedSource AudioPipeline::ResolvedSource::file(const std::filesystem::path& path) {
    return ResolvedSource(fileUrl(path), false);
}

AudioPipeline::Source::Source(QueueEntry entry, Resolver resolve)
    : entry(std::move(entry)), resolve(std::move(resolve)) {}

AudioPipeline::Source::Source(QueueEntry entry, const Url& url)
    : Source(std::move(entry), [url](double) { return ResolvedSource(url, false); }) {}

namespace {

AudioPipeline::Event eventOf(AudioPipeline::Event::Kind kind, std::string entryId = {}) {
    AudioPipeline::Event event;
    event.kind = kind;
    event.entryId = std::move(entryId);
    return event;
}

} // namespace

AudioPipeline::Event AudioPipeline::Event::position(std::string entryId, double seconds) {
    Event event = eventOf(Kind::position, std::move(entryId));
    event.seconds = seconds;
    return event;
}

AudioPipeline::Event AudioPipeline::Event::began(std::string entryId) {
    return eventOf(Kind::began, std::move(entryId));
}

AudioPipeline::Event AudioPipeline::Event::bufferingChanged(std::string entryId, bool buffering) {
    Event event = eventOf(Kind::buffering, std::move(entryId));
    event.buffering = buffering;
    return event;
}

AudioPipeline::Event AudioPipeline::Event::buffered(std::string entryId) {
    return eventOf(Kind::buffered, std::move(entryId));
}

AudioPipeline::Event AudioPipeline::Event::prepared(std::string entryId) {
    return eventOf(Kind::prepared, std::move(entryId));
}

AudioPipeline::Event AudioPipeline::Event::failed(std::string message) {
    Event event = eventOf(Kind::failed);
    event.message = std::move(message);
    return event;
}

AudioPipeline::Event AudioPipeline::Event::outputChanged() {
    return eventOf(Kind::outputChanged);
}

AudioPipeline::Event AudioPipeline::Event::ended() {
    return eventOf(Kind::ended);
}

std::shared_ptr<AudioPipeline> AudioPipeline::make(std::shared_ptr<AudioEngine> engine,
                                                   std::shared_ptr<HttpTransport> transport) {
    if (!engine) throw std::invalid_argument("an audio pipeline needs an engine");
    auto node = engine->makePlayerNode();
    return make(std::move(engine), std::move(node), std::move(transport));
}

std::shared_ptr<AudioPipeline> AudioPipeline::make(std::shared_ptr<AudioEngine> engine,
                                                   std::shared_ptr<PlayerNode> node,
                                                   std::shared_ptr<HttpTransport> transport) {
    if (!engine || !node) throw std::invalid_argument("an audio pipeline needs an engine and a node");
    auto core = std::make_shared<Core>(std::move(engine), std::move(node), std::move(transport));
    core->setUp();
    return std::shared_ptr<AudioPipeline>(new AudioPipeline(std::move(core)));
}

AudioPipeline::AudioPipeline(std::shared_ptr<Core> core) : core_(std::move(core)) {}

AudioPipeline::~AudioPipeline() {
    core_->release();
}

void AudioPipeline::start(std::vector<Source> sources, double seconds, bool playing, Token token,
                          bool repeatContext) {
    core_->controls->post([core = core_, sources = std::move(sources), seconds, playing,
                           token = std::move(token), repeatContext]() mutable {
        core->start(std::move(sources), seconds, playing, token, repeatContext);
    });
}

void AudioPipeline::updateUpcoming(std::vector<Source> sources, Token token, bool repeatContext) {
    core_->controls->post(
        [core = core_, sources = std::move(sources), token = std::move(token), repeatContext]() mutable {
            core->updateUpcoming(std::move(sources), token, repeatContext);
        });
}

void AudioPipeline::pause() {
    core_->controls->post([core = core_] { core->pause(); });
}

void AudioPipeline::resume() {
    core_->controls->post([core = core_] { core->resume(); });
}

void AudioPipeline::stop() {
    core_->controls->post([core = core_] { core->stop(); });
}

void AudioPipeline::volume(float value) {
    core_->controls->post([core = core_, value] { core->volume(value); });
}

void AudioPipeline::setEventHandler(EventHandler handler) {
    core_->setEventHandler(std::move(handler));
}

std::optional<QueueEntry> AudioPipeline::entry(const std::string& id) const {
    return core_->entry(id);
}

const std::shared_ptr<AudioEngine>& AudioPipeline::engine() const noexcept {
    return core_->engine;
}

const std::shared_ptr<PlayerNode>& AudioPipeline::node() const noexcept {
    return core_->node;
}

} // namespace sorvalind
