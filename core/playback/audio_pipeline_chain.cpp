// What follows the sounding song: chaining the next source where a song's
// decoding ended, and splicing in a new future while a song plays.

#include "playback/audio_pipeline_core.h"

namespace sorvalind {

namespace {

// The frames of `pcm` from `from` on, in a buffer of their own.
std::shared_ptr<const PCMBuffer> tail(const PCMBuffer& pcm, std::size_t from) {
    auto cut = std::make_shared<PCMBuffer>();
    for (std::size_t c = 0; c < 2; ++c)
        cut->channels[c].assign(pcm.channels[c].begin() + static_cast<std::ptrdiff_t>(from),
                                pcm.channels[c].end());
    return cut;
}

// What carries a spliced song to its end when nothing of it remains: a
// buffer without frames. A silent frame at the end frame would take the place
// of the next song's first frame, which is scheduled there too (the node
// plays buffers in order and skips a frame whose time has passed).
std::shared_ptr<const PCMBuffer> endMarker() {
    return std::make_shared<PCMBuffer>();
}

} // namespace

void AudioPipeline::Core::replaceFuture(const std::shared_ptr<Segment>& segment, std::int64_t end,
                                        const Token& token, std::optional<std::int64_t> spliceAt) {
    const bool playing = node->isPlaying();
    std::vector<std::shared_ptr<Buffer>> replacements;
    std::shared_ptr<Segment> next;
    {
        std::lock_guard lock(conditionLock);
        if (generation != token || segments.empty() || segments.back() != segment) return;
        segment->end = end;

        const std::string& id = segment->source.entry.id;
        auto found = std::find_if(sources.begin(), sources.end(),
                                  [&](const Source& source) { return source.entry.id == id; });
        const Source* following = nullptr;
        if (found != sources.end()) {
            if (std::next(found) != sources.end()) {
                following = &*std::next(found);
            } else if (repeatContext) {
                following = &sources.front();
            }
        }
        if (following) {
            next = std::make_shared<Segment>(*following, end);
            segments.push_back(next);
        }

        if (spliceAt) {
            std::int64_t at = *spliceAt;
            for (const auto& buffer : segment->buffers) {
                if (buffer->frame <= at && at < buffer->frame + buffer->length()) {
                    // While playing, the node may already be inside this
                    // buffer: leave it whole and splice at its end.
                    if (playing) at = buffer->frame + buffer->length();
                    break;
                }
            }
            for (const auto& buffer : segment->buffers) {
                if (buffer->frame + buffer->length() <= at) continue;
                auto replacement = std::make_shared<Buffer>();
                replacement->pcm = buffer->frame < at
                                       ? tail(*buffer->pcm, static_cast<std::size_t>(at - buffer->frame))
                                       : buffer->pcm;
                replacement->frame = std::max(buffer->frame, at);
                replacement->position = buffer->position;
                replacement->began = buffer->began;
                replacement->last = buffer->last;
                buffer->valid = false;
                outstanding -= buffer->length();
                segment->outstanding -= buffer->length();
                replacements.push_back(std::move(replacement));
            }
            std::erase_if(segment->buffers, [](const auto& buffer) { return !buffer->valid; });
            if (replacements.empty()) {
                // Nothing of the song remains: an empty buffer at its end
                // carries it through its end. It reports the position last
                // reached, not 0, so the owner saves no false position.
                auto silent = std::make_shared<Buffer>();
                silent->pcm = endMarker();
                silent->frame = end;
                silent->position =
                    segment->buffers.empty() ? segment->completedPosition : segment->buffers.back()->position;
                silent->last = true;
                replacements.push_back(std::move(silent));
            }
        }

        if (!next && replacements.empty() && segment->buffers.empty() && !segment->completionReported) {
            segment->completionReported = true;
            emit(token, Event::ended());
        }
    }
    for (std::size_t i = 0; i < replacements.size(); ++i)
        schedule(replacements[i], segment, token, i == 0);
    if (next) runDecodeLoop(next, 0, token);
}

void AudioPipeline::Core::updateUpcoming(std::vector<Source> given, const Token& token, bool repeat) {
    std::lock_guard nodeGuard(nodeLock);
    auto player = playerFrame();
    std::int64_t now = player ? std::max<std::int64_t>(*player - timelineOffset, 0) : 0;
    Detached detached;
    std::shared_ptr<Segment> playing;
    std::optional<std::int64_t> end;
    {
        std::lock_guard lock(conditionLock);
        if (generation != token || segments.empty()) return;
        auto sounding = std::find_if(segments.rbegin(), segments.rend(),
                                     [&](const auto& segment) { return segment->start <= now; });
        playing = sounding != segments.rend() ? *sounding : segments.front();

        const std::string& id = playing->source.entry.id;
        auto found = std::find_if(given.begin(), given.end(),
                                  [&](const Source& source) { return source.entry.id == id; });
        if (found != given.end()) {
            sources.assign(std::make_move_iterator(found), std::make_move_iterator(given.end()));
        } else {
            sources.clear();
            sources.push_back(playing->source);
            sources.insert(sources.end(), std::make_move_iterator(given.begin()),
                           std::make_move_iterator(given.end()));
        }
        repeatContext = repeat;

        for (const auto& segment : segments)
            if (segment != playing) outstanding -= segment->outstanding;
        segments = {playing};
        if (decoding && decoding != playing) {
            detached.reader = std::move(active);
            detached.stream = std::move(activeStream);
        }
        end = playing->end;
        condition.notify_all();
    }
    detached.cancel();
    if (end) replaceFuture(playing, *end, token, now);
}

} // namespace sorvalind
