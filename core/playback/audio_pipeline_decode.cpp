// The decode loop: one segment's song opened, read 8192 frames at a time with
// one buffer of look-ahead, and scheduled as long as its run is current.

#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "errors/safe_error.h"
#include "playback/audio_pipeline_core.h"

#include <cmath>

namespace sorvalind {

namespace {

// The next non-empty buffer; none at the end of the song.
std::optional<PCMBuffer> readBuffer(PCMDecoder& decoder, std::uint32_t frames) {
    for (;;) {
        auto buffer = decoder.read(frames);
        if (!buffer || !buffer->empty()) return buffer;
    }
}

} // namespace

void AudioPipeline::Core::runDecodeLoop(const std::shared_ptr<Segment>& segment, double seconds,
                                        const Token& token) {
    worker->post(
        [self = shared_from_this(), segment, seconds, token] { self->produce(segment, seconds, token); });
}

bool AudioPipeline::Core::startEngine(const Token& token) {
    std::lock_guard nodeGuard(nodeLock);
    {
        std::lock_guard lock(conditionLock);
        if (generation != token) return false;
    }
    if (!engine->isRunning()) engine->start();
    return true;
}

std::optional<AudioPipeline::Core::Opened> AudioPipeline::Core::open(const std::shared_ptr<Segment>& segment,
                                                                     double seconds, const Token& token) {
    ResolvedSource resolved = segment->source.resolve(seconds);
    if (!transport && !resolved.request.url.isFile()) throw APIError::configuration();
    auto reader = std::make_shared<RangeReader>(resolved.request, transport, *controls);
    {
        std::unique_lock lock(conditionLock);
        if (!valid(segment, token)) {
            lock.unlock();
            reader->cancel();
            return std::nullopt;
        }
        decoding = segment;
        active = reader;
        segment->openedAtZero = seconds == 0;
        segment->completedPosition = seconds;
    }
    Opened opened;
    if (!resolved.serverOffset) {
        opened.decoder = std::make_unique<PCMDecoder>(reader, sampleRate, pcmPool);
        if (seconds > 0) opened.decoder->seek(seconds);
        return opened;
    }
    auto stream = std::make_shared<StreamingBody>(resolved.request, transport, *transfers);
    {
        std::unique_lock lock(conditionLock);
        if (!valid(segment, token)) {
            lock.unlock();
            stream->cancel();
            return std::nullopt;
        }
        activeStream = stream;
    }
    opened.decoder = std::make_unique<PCMDecoder>(stream, reader, sampleRate, pcmPool);
    // The server starts the stream at `serverStart` (whole seconds of the
    // start time unless the source says otherwise); the rest is discarded
    // here. std::round rounds half away from zero.
    double serverStart = resolved.serverStart.value_or(std::floor(seconds));
    auto skip = static_cast<std::int64_t>(std::round(std::max(0.0, seconds - serverStart) * sampleRate));
    while (skip > 0) {
        auto buffer =
            readBuffer(*opened.decoder, static_cast<std::uint32_t>(std::min<std::int64_t>(skip, readFrames)));
        if (!buffer) break;
        auto length = static_cast<std::int64_t>(buffer->frameLength());
        if (length > skip) {
            buffer->takeFront(static_cast<std::size_t>(skip));
            opened.pending = std::move(buffer);
            break;
        }
        skip -= length;
    }
    return opened;
}

void AudioPipeline::Core::produce(const std::shared_ptr<Segment>& segment, double seconds,
                                  const Token& token) {
    {
        std::lock_guard lock(conditionLock);
        if (!valid(segment, token)) return;
    }
    try {
        if (!startEngine(token)) return;
        auto opened = open(segment, seconds, token);
        if (!opened) return;
        PCMDecoder& decoder = *opened->decoder;

        std::int64_t frame = segment->start;
        double position = seconds;
        bool first = true;
        std::optional<PCMBuffer> current =
            opened->pending ? std::move(opened->pending) : readBuffer(decoder, readFrames);
        while (current) {
            {
                std::lock_guard lock(conditionLock);
                if (!valid(segment, token)) return;
            }
            // Read ahead to learn whether this buffer is the song's last.
            std::optional<PCMBuffer> next = readBuffer(decoder, readFrames);
            auto length = static_cast<std::int64_t>(current->frameLength());
            position += static_cast<double>(length) / sampleRate;
            {
                std::unique_lock lock(conditionLock);
                condition.wait(lock, [&] { return outstanding < aheadFrames || !valid(segment, token); });
                if (!valid(segment, token)) return;
            }
            {
                std::lock_guard nodeGuard(nodeLock);
                {
                    std::lock_guard lock(conditionLock);
                    if (!valid(segment, token)) return;
                }
                auto buffer = std::make_shared<Buffer>();
                buffer->pcm = pcmPool->share(std::move(*current));
                buffer->frame = frame;
                buffer->position = position;
                buffer->began = first;
                buffer->last = !next;
                schedule(buffer, segment, token, false);
            }
            first = false;
            frame += length;
            current = std::move(next);
        }
        finish(segment, frame, !first, token);
    } catch (...) {
        fail(segment, token, std::current_exception());
    }
}

void AudioPipeline::Core::finish(const std::shared_ptr<Segment>& segment, std::int64_t end, bool gaveAudio,
                                 const Token& token) {
    {
        std::lock_guard nodeGuard(nodeLock);
        bool endless = false;
        {
            std::lock_guard lock(conditionLock);
            if (!valid(segment, token)) return;
            decoding.reset();
            active.reset();
            activeStream.reset();
            // A context of songs that all decode to nothing would otherwise
            // be reopened at the same frame for ever under repeat. A run's
            // first song opened past 0 s may rightly give nothing (a start at
            // its very end), so only openings at 0 s count.
            if (gaveAudio) {
                silentOpenings = 0;
            } else if (segment->openedAtZero) {
                ++silentOpenings;
            }
            endless = !gaveAudio && repeatContext && silentOpenings >= sources.size();
        }
        if (!endless) replaceFuture(segment, end, token, std::nullopt);
        if (endless) {
            emit(token, Event::failed(SafeError::message(AudioFailure::invalidResponse())));
            return;
        }
    }
    emit(token, Event::prepared(segment->source.entry.id));
}

void AudioPipeline::Core::fail(const std::shared_ptr<Segment>& segment, const Token& token,
                               std::exception_ptr error) {
    {
        std::lock_guard lock(conditionLock);
        if (!valid(segment, token)) return;
    }
    emit(token, Event::failed(SafeError::message(error)));
}

} // namespace sorvalind
