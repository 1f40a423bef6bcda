#pragma once
// Gapless playback of a chain of songs on one player node of the audio
// engine. The owner (the playback controller) hands over sources, one per
// queue entry: the current entry first, then every entry that may follow.
// The pipeline opens each song only when its chain reaches it, decodes it to
// 48000 Hz stereo float and schedules its buffers at sample-exact places of
// a running frame count (the timeline), so the next song's first sample
// follows the previous song's last one. About 15 seconds stay decoded ahead;
// an underrun restarts 0.1 seconds after the player's time of that moment.
// What happens comes back as events tagged with the token of the run.
//
// Threads: every public member may be called from any thread and returns at
// once; the transport calls, start and updateUpcoming run in call order on
// the pipeline's control queue. Decoding runs on its decoder queue (one loop
// at a time), events are delivered one at a time on its events queue, and
// buffer completions arrive on the engine's notification thread. Two locks,
// always the node lock before the condition lock; a completion takes only
// the condition lock. No member throws apart from allocation; a failure to
// open or decode a song is reported as the event `failed`.

#include "audio/audio_engine.h"
#include "audio/player_node.h"
#include "http/http_request.h"
#include "http/http_transport.h"
#include "library/queue_entry.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

class AudioPipeline {
public:
    // Where to read a song from, as its source resolves it for a start time.
    struct ResolvedSource {
        // A file URL, or an HTTP(S) request for the song's bytes.
        HttpRequest request;
        // True: the body is one continuous transcoded stream that the server
        // starts at `serverStart`. False: the resource is read by position
        // and the decoder seeks in it.
        bool serverOffset = false;
        // Seconds into the song where the server's stream starts; none means
        // the requested start time rounded down to whole seconds (what a
        // "timeOffset" in whole seconds gives). The pipeline discards
        // round((start - serverStart) x 48000) frames before the first
        // buffer, so a stream restarted from 0 can be played from any
        // position. Only read when `serverOffset` is true.
        std::optional<double> serverStart;

        ResolvedSource(HttpRequest request, bool serverOffset,
                       std::optional<double> serverStart = std::nullopt);
        // A request for the URL with a 60-second timeout.
        ResolvedSource(const Url& url, bool serverOffset, std::optional<double> serverStart = std::nullopt);
        // A downloaded file.
        static ResolvedSource file(const std::filesystem::path& path);
    };

    // One queue entry that the pipeline may play. `resolve` turns a start
    // time in seconds into where to read the song; it may throw (the error
    // becomes `failed`) and block, runs on the decoder queue when the song is
    // about to be decoded (never when the source is built) and must not touch
    // main-actor state.
    struct Source {
        using Resolver = std::function<ResolvedSource(double seconds)>;

        QueueEntry entry;
        Resolver resolve;

        Source(QueueEntry entry, Resolver resolve);
        // A source that ignores the start time and reads the URL by position.
        Source(QueueEntry entry, const Url& url);
    };

    struct Event {
        enum class Kind {
            position,      // entryId, seconds: a buffer has been played; the song position at its end
            began,         // entryId: the song's first buffer has been played, the song sounds
            buffering,     // entryId, buffering: true on an underrun; false when audio is scheduled
                           // again or the song's first buffer is scheduled
            buffered,      // entryId: the song's first buffer has been scheduled
            prepared,      // entryId: decoded to its end, and the next song, if any, is set up
            failed,        // message: decoding of the run failed; the text the user sees
            outputChanged, // the engine's output changed (carries the token current then)
            ended,         // the last song of the chain has finished, nothing follows it
        };

        Kind kind = Kind::ended;
        std::string entryId;
        double seconds = 0;
        bool buffering = false;
        std::string message;

        static Event position(std::string entryId, double seconds);
        static Event began(std::string entryId);
        static Event bufferingChanged(std::string entryId, bool buffering);
        static Event buffered(std::string entryId);
        static Event prepared(std::string entryId);
        static Event failed(std::string message);
        static Event outputChanged();
        static Event ended();

        bool operator==(const Event&) const = default;
    };

    // A run's name: a UUID text chosen by the owner.
    using Token = std::string;
    // Receives (the token of the run that produced the event, the event) on
    // the events queue, never under a lock of the pipeline.
    using EventHandler = std::function<void(const Token& token, const Event& event)>;

    static constexpr double sampleRate = AudioEngine::sampleRate;
    // Frames per decoder read.
    static constexpr std::uint32_t readFrames = 8192;
    // Frames outstanding on the node before the decoder waits (15 seconds).
    static constexpr std::int64_t aheadFrames = 720000;
    // Where an underrun restarts, after the player's time (0.1 seconds);
    // none in the manual rendering mode.
    static constexpr std::int64_t underrunLeadFrames = 4800;

    // A pipeline on a new player node of `engine`. `transport` carries the
    // range requests and streams of server sources (file sources need none).
    // The engine is started by the first decode loop, not here.
    static std::shared_ptr<AudioPipeline> make(std::shared_ptr<AudioEngine> engine,
                                               std::shared_ptr<HttpTransport> transport);
    // The same on a node the caller made on that engine.
    static std::shared_ptr<AudioPipeline> make(std::shared_ptr<AudioEngine> engine,
                                               std::shared_ptr<PlayerNode> node,
                                               std::shared_ptr<HttpTransport> transport);
    // Cancels the song being read and stops the engine.
    ~AudioPipeline();
    AudioPipeline(const AudioPipeline&) = delete;
    AudioPipeline& operator=(const AudioPipeline&) = delete;

    // A new run named `token`: the first source from `seconds` on, then the
    // chain. With `playing` false it stays paused until resume(). An empty
    // list stays silent and emits nothing.
    void start(std::vector<Source> sources, double seconds, bool playing, Token token, bool repeatContext);
    // Replaces what follows the playing entry without interrupting it; the
    // list has the same shape as start's. A token that is not current
    // changes nothing.
    void updateUpcoming(std::vector<Source> sources, Token token, bool repeatContext);
    void pause();
    void resume();
    // Ends the run: every later event of it carries its old token.
    void stop();
    // 0 to 1.
    void volume(float value);

    // Set once the owner is ready, cleared (empty function) at shutdown; read
    // at each delivery.
    void setEventHandler(EventHandler handler);

    // The entry of the first current segment with this id; none when the
    // pipeline has dropped it.
    std::optional<QueueEntry> entry(const std::string& id) const;

    const std::shared_ptr<AudioEngine>& engine() const noexcept;
    const std::shared_ptr<PlayerNode>& node() const noexcept;

    // The working part: shared with the queued work, which keeps it until
    // that work has run; completions and deliveries hold it weakly.
    class Core;

private:
    explicit AudioPipeline(std::shared_ptr<Core> core);

    std::shared_ptr<Core> core_;
};

} // namespace sorvalind
