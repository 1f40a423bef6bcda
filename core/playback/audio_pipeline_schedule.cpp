// Handing buffers to the node, and what their completions mean: the song
// sounds, its position, an underrun, the end of the chain.

#include "playback/audio_pipeline_core.h"

namespace sorvalind {

void AudioPipeline::Core::schedule(const std::shared_ptr<Buffer>& buffer,
                                   const std::shared_ptr<Segment>& segment, const Token& token,
                                   bool interrupt) {
    const std::string& id = segment->source.entry.id;
    bool play = false;
    {
        std::lock_guard lock(conditionLock);
        if (!valid(segment, token)) return;
        outstanding += buffer->length();
        segment->outstanding += buffer->length();
        segment->buffers.push_back(buffer);
        play = shouldPlay;
        bool wasWaiting = std::exchange(waitingForAudio, false);
        if (wasWaiting || buffer->began) emit(token, Event::bufferingChanged(id, false));
    }
    const bool manual = engine->isInManualRenderingMode();
    auto current = playerFrame();
    if (current && buffer->frame + timelineOffset < *current) {
        // Its time has passed (an underrun): restart a little after now, and
        // keep the later buffers' spacing from this one.
        if (node->isPlaying()) {
            pausedPlayerFrame = current;
            node->pause();
        }
        auto now = playerFrame().value_or(*current);
        timelineOffset = now + (manual ? 0 : underrunLeadFrames) - buffer->frame;
    }
    std::weak_ptr<Core> weakSelf = weak_from_this();
    std::weak_ptr<Buffer> weakBuffer = buffer;
    std::weak_ptr<Segment> weakSegment = segment;
    node->scheduleBuffer(buffer->pcm, timelineOffset + buffer->frame, interrupt,
                         manual ? CompletionPoint::rendered : CompletionPoint::playedBack,
                         [weakSelf, weakBuffer, weakSegment, token](BufferEnd) {
                             auto self = weakSelf.lock();
                             auto done = weakBuffer.lock();
                             auto owner = weakSegment.lock();
                             if (self && done && owner) self->completed(done, owner, token);
                         });
    if (play && !node->isPlaying()) node->play();
    if (buffer->began) emit(token, Event::buffered(id));
}

void AudioPipeline::Core::completed(const std::shared_ptr<Buffer>& buffer,
                                    const std::shared_ptr<Segment>& segment, const Token& token) {
    std::lock_guard lock(conditionLock);
    if (generation != token || !buffer->valid || !contains(segment)) return;
    outstanding -= buffer->length();
    segment->outstanding -= buffer->length();
    std::erase(segment->buffers, buffer);
    segment->completedPosition = buffer->position;
    if (buffer->began) {
        // The song sounds: what played before it is no longer needed.
        auto at = std::find(segments.begin(), segments.end(), segment);
        for (auto earlier = segments.begin(); earlier != at; ++earlier)
            outstanding -= (*earlier)->outstanding;
        segments.erase(segments.begin(), at);
    }
    condition.notify_all();
    bool ended = false;
    bool underrun = false;
    if (segment->buffers.empty() && segments.back() == segment && segment->end &&
        !segment->completionReported) {
        segment->completionReported = true;
        ended = true;
    } else if (outstanding == 0 && shouldPlay) {
        waitingForAudio = true;
        underrun = true;
    }
    const std::string& id = segment->source.entry.id;
    if (buffer->began) emit(token, Event::began(id));
    emit(token, Event::position(id, buffer->position));
    if (underrun) emit(token, Event::bufferingChanged(id, true));
    if (ended) emit(token, Event::ended());
}

} // namespace sorvalind
