#pragma once
// A transcoded stream's HTTP body, handed out chunk by chunk to the decoder.
// The transfer runs as one blocking task on the given executor. When 8
// chunks wait unread the transfer pauses (the chunk on offer is left with
// the transport, which offers it again), and it goes on once at most 3
// remain, so a slow reader holds at most 8 chunks and loses none. Paused
// time does not count toward the 20 s idle timeout.
//
// Only a 200 answer whose type names neither XML nor JSON is a stream; any
// other answer (an error envelope, a redirect) fails with APIError.response.
// The first failure wins and is thrown by every later next(), even with
// chunks still waiting.
//
// Threads: next() on the decoder queue; cancel() and destruction from any
// thread (destruction cancels). The constructor throws what the network
// policy throws. If the executor drops the task unrun, the body fails with
// AudioFailure.cancelled.

#include "audio/chunk_source.h"
#include "http/http_request.h"
#include "http/http_transport.h"
#include "runtime/executor.h"

#include <chrono>
#include <memory>

namespace sorvalind {

class StreamingBody final : public ChunkSource {
public:
    static constexpr std::chrono::seconds requestTimeout{20};
    static constexpr std::size_t pauseAt = 8;
    static constexpr std::size_t resumeAt = 3;

    StreamingBody(const HttpRequest& request, std::shared_ptr<HttpTransport> transport, Executor& transfers);
    ~StreamingBody() override;
    StreamingBody(const StreamingBody&) = delete;
    StreamingBody& operator=(const StreamingBody&) = delete;

    std::optional<std::vector<std::byte>> next() override;
    void cancel() noexcept override;

    // Times the transfer was paused for a reader that fell behind.
    int pauses() const;
    // Whether the transfer has ended (completed, failed or cancelled).
    bool finished() const;

private:
    class State;
    std::shared_ptr<State> state_;
};

} // namespace sorvalind
