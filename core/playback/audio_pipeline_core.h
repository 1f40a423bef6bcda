#pragma once
// The working part of AudioPipeline (see audio_pipeline.h): its fields, its
// runs, the decode loop, scheduling, completions, chaining and splicing.
// Private to the pipeline's own sources.
//
// Locks: `nodeLock` serialises everything that touches the node and the
// timeline offset; `conditionLock` (with `condition`) guards the run's state
// and the mutable fields of segments and buffers. Always `nodeLock` first.
// A completion takes only `conditionLock`. Readers and streams are cancelled
// only after `conditionLock` has been released.

#include "audio/pcm_decoder.h"
#include "audio/range_reader.h"
#include "audio/streaming_body.h"
#include "playback/audio_pipeline.h"
#include "runtime/thread_executor.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sorvalind {

// One PCM buffer handed to the node.
struct PipelineBuffer {
    std::shared_ptr<const PCMBuffer> pcm;
    std::int64_t frame = 0; // timeline frame of its first sample
    double position = 0;    // seconds into the song at its end
    bool began = false;     // the first buffer of its segment
    bool last = false;      // the last buffer of its segment
    bool valid = true;      // guarded by conditionLock; cleared by a splice

    std::int64_t length() const noexcept { return static_cast<std::int64_t>(pcm->frameLength()); }
};

// One queue entry's stretch of the timeline. Mutable fields are guarded by
// conditionLock.
struct PipelineSegment {
    PipelineSegment(AudioPipeline::Source source, std::int64_t start)
        : source(std::move(source)), start(start) {}

    const AudioPipeline::Source source;
    const std::int64_t start;
    std::optional<std::int64_t> end;
    bool completionReported = false;
    std::int64_t outstanding = 0;
    std::vector<std::shared_ptr<PipelineBuffer>> buffers;
    // Opened at 0 seconds (not a run's first song started past its start).
    bool openedAtZero = false;
    // The song position at the end of its last completed buffer; where it was
    // opened until one completes.
    double completedPosition = 0;
};

class AudioPipeline::Core : public std::enable_shared_from_this<AudioPipeline::Core> {
public:
    using Segment = PipelineSegment;
    using Buffer = PipelineBuffer;

    Core(std::shared_ptr<AudioEngine> engine, std::shared_ptr<PlayerNode> node,
         std::shared_ptr<HttpTransport> transport);
    ~Core();

    // Set-up that needs the core shared: the output-change registration.
    void setUp();
    // The owner let go: later deliveries are lost, the run ends, the song
    // being read is cancelled, queued work drains and the engine stops.
    void release() noexcept;

    // On `controls`.
    void start(std::vector<Source> sources, double seconds, bool playing, const Token& token,
               bool repeatContext);
    void updateUpcoming(std::vector<Source> sources, const Token& token, bool repeatContext);
    void pause();
    void resume();
    void stop();
    void volume(float value);

    void setEventHandler(EventHandler handler);
    bool isReleased() const;
    std::optional<QueueEntry> entry(const std::string& id) const;

    const std::shared_ptr<AudioEngine> engine;
    const std::shared_ptr<PlayerNode> node;
    const std::shared_ptr<HttpTransport> transport;

    // Storage of the buffers played, for the ones decoded next.
    const std::shared_ptr<PCMBufferPool> pcmPool;

    // The three queues, and the pool that carries stream transfers.
    const std::shared_ptr<SerialQueue> controls;
    const std::shared_ptr<SerialQueue> worker;
    const std::shared_ptr<SerialQueue> notifications;
    const std::shared_ptr<WorkerPool> transfers;

private:
    struct Detached {
        std::shared_ptr<RangeReader> reader;
        std::shared_ptr<StreamingBody> stream;
        void cancel() noexcept;
    };

    // With nodeLock held.
    void reset(const Token& token, bool playing);
    // On `worker`: one segment's decode loop.
    void produce(const std::shared_ptr<Segment>& segment, double seconds, const Token& token);
    // Opens the segment's source for `seconds`; none when the run moved on.
    struct Opened {
        std::unique_ptr<PCMDecoder> decoder;
        // What the skip of a stream's first part read past its end.
        std::optional<PCMBuffer> pending;
    };
    std::optional<Opened> open(const std::shared_ptr<Segment>& segment, double seconds, const Token& token);
    // The song is decoded to `end`: chain the next one.
    void finish(const std::shared_ptr<Segment>& segment, std::int64_t end, bool gaveAudio,
                const Token& token);
    // Starts the engine for a current run; false when the run moved on.
    bool startEngine(const Token& token);
    // With conditionLock held.
    bool valid(const std::shared_ptr<Segment>& segment, const Token& token) const;
    bool contains(const std::shared_ptr<Segment>& segment) const;
    // With nodeLock held.
    void schedule(const std::shared_ptr<Buffer>& buffer, const std::shared_ptr<Segment>& segment,
                  const Token& token, bool interrupt);
    void completed(const std::shared_ptr<Buffer>& buffer, const std::shared_ptr<Segment>& segment,
                   const Token& token);
    // With nodeLock held.
    std::optional<std::int64_t> playerFrame() const;
    // With nodeLock held.
    void replaceFuture(const std::shared_ptr<Segment>& segment, std::int64_t end, const Token& token,
                       std::optional<std::int64_t> spliceAt);
    void runDecodeLoop(const std::shared_ptr<Segment>& segment, double seconds, const Token& token);
    void fail(const std::shared_ptr<Segment>& segment, const Token& token, std::exception_ptr error);
    void emit(const Token& token, Event event);

    std::mutex nodeLock;
    std::int64_t timelineOffset = 0;
    std::optional<std::int64_t> pausedPlayerFrame;

    mutable std::mutex conditionLock;
    std::condition_variable condition;
    Token generation;
    std::shared_ptr<RangeReader> active;
    std::shared_ptr<StreamingBody> activeStream;
    std::vector<std::shared_ptr<Segment>> segments;
    std::vector<Source> sources;
    bool repeatContext = false;
    std::shared_ptr<Segment> decoding;
    std::int64_t outstanding = 0;
    bool shouldPlay = false;
    bool waitingForAudio = false;
    // Sources of this run opened at 0 seconds in a row without giving a
    // single frame; a whole context of them under repeat would loop for ever.
    std::size_t silentOpenings = 0;

    mutable std::mutex eventLock;
    EventHandler event;
    bool released = false;
};

} // namespace sorvalind
