#include "playback/audio_pipeline_core.h"

namespace sorvalind {

AudioPipeline::Core::Core(std::shared_ptr<AudioEngine> engine, std::shared_ptr<PlayerNode> node,
                          std::shared_ptr<HttpTransport> transport)
    : engine(std::move(engine)), node(std::move(node)), transport(std::move(transport)),
      controls(std::make_shared<SerialQueue>("audio-controls")),
      worker(std::make_shared<SerialQueue>("decoder")),
      notifications(std::make_shared<SerialQueue>("audio-events")),
      transfers(std::make_shared<WorkerPool>(2, "audio-streams")) {}

AudioPipeline::Core::~Core() = default;

void AudioPipeline::Core::setUp() {}
void AudioPipeline::Core::release() noexcept {}
void AudioPipeline::Core::start(std::vector<Source>, double, bool, const Token&, bool) {}
void AudioPipeline::Core::updateUpcoming(std::vector<Source>, const Token&, bool) {}
void AudioPipeline::Core::pause() {}
void AudioPipeline::Core::resume() {}
void AudioPipeline::Core::stop() {}
void AudioPipeline::Core::volume(float) {}
void AudioPipeline::Core::setEventHandler(EventHandler) {}
std::optional<QueueEntry> AudioPipeline::Core::entry(const std::string&) const {
    return std::nullopt;
}

} // namespace sorvalind
