#include "audio/streaming_body.h"

#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "http/network_security.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stop_token>

namespace sorvalind {

// What the transfer task and the reader share. The handler callbacks run on
// the transport's thread; every field is guarded by `mutex`.
class StreamingBody::State final : public HttpStreamHandler {
public:
    void onResponse(const HttpResponseHead& head) override {
        std::string type = head.header("Content-Type").value_or("");
        type = type.substr(0, type.find(';'));
        if (head.status != 200 || type.find("xml") != std::string::npos ||
            type.find("json") != std::string::npos)
            throw APIError::response();
    }

    Flow onData(std::string_view chunk) override {
        std::lock_guard lock(mutex);
        if (chunks.size() >= pauseAt) {
            if (!suspended) ++pauseCount;
            suspended = true;
            return Flow::pause;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(chunk.data());
        chunks.emplace_back(bytes, bytes + chunk.size());
        changed.notify_all();
        return Flow::proceed;
    }

    void finish(std::exception_ptr error) noexcept {
        {
            std::lock_guard lock(mutex);
            if (!failure) failure = std::move(error);
            finished = true;
        }
        changed.notify_all();
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<std::byte>> chunks;
    std::exception_ptr failure;
    bool finished = false;
    bool suspended = false;
    bool cancelled = false;
    int pauseCount = 0;
    // Ends the transfer; requested by cancel().
    std::stop_source stop;
};

namespace {

// Owned by the transfer task: when the executor drops the task unrun (it is
// shutting down), the body ends as cancelled instead of leaving its reader
// waiting for ever.
template <class Shared> struct UnrunGuard {
    std::shared_ptr<Shared> state;
    bool ran = false;

    explicit UnrunGuard(std::shared_ptr<Shared> s) : state(std::move(s)) {}
    UnrunGuard(UnrunGuard&&) noexcept = default;
    ~UnrunGuard() {
        if (state && !ran) state->finish(std::make_exception_ptr(AudioFailure::cancelled()));
    }
};

} // namespace

StreamingBody::StreamingBody(const HttpRequest& request, std::shared_ptr<HttpTransport> transport,
                             Executor& transfers)
    : state_(std::make_shared<State>()) {
    NetworkSecurity::validate(request);
    HttpRequest hardened = request;
    setHeader(hardened.headers, "Cache-Control", "no-store");
    setHeader(hardened.headers, "Pragma", "no-cache");
    hardened.idleTimeout = requestTimeout;
    hardened.connectTimeout.reset();

    transfers.post([guard = UnrunGuard<State>(state_), transport = std::move(transport),
                    hardened = std::move(hardened)]() mutable {
        guard.ran = true;
        State& state = *guard.state;
        try {
            transport->stream(hardened, state, state.stop.get_token());
            state.finish(nullptr);
        } catch (...) {
            state.finish(std::current_exception());
        }
    });
}

StreamingBody::~StreamingBody() {
    cancel();
}

void StreamingBody::cancel() noexcept {
    {
        std::lock_guard lock(state_->mutex);
        state_->cancelled = true;
        state_->finished = true;
    }
    state_->changed.notify_all();
    state_->stop.request_stop();
}

int StreamingBody::pauses() const {
    std::lock_guard lock(state_->mutex);
    return state_->pauseCount;
}

bool StreamingBody::finished() const {
    std::lock_guard lock(state_->mutex);
    return state_->finished;
}

std::optional<std::vector<std::byte>> StreamingBody::next() {
    State& state = *state_;
    std::optional<std::vector<std::byte>> chunk;
    {
        std::unique_lock lock(state.mutex);
        state.changed.wait(lock, [&] { return !state.chunks.empty() || state.finished; });
        if (state.cancelled) throw AudioFailure::cancelled();
        if (state.failure) std::rethrow_exception(state.failure);
        if (state.chunks.empty()) return std::nullopt;
        chunk = std::move(state.chunks.front());
        state.chunks.pop_front();
        if (!state.suspended || state.chunks.size() > resumeAt) return chunk;
        state.suspended = false;
    }
    state.resume();
    return chunk;
}

} // namespace sorvalind
