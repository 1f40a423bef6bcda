#include "support/scripted_http_transport.h"

#include <memory>

namespace sorvalind::test {

void ScriptedHttpTransport::answer(int status, std::string body, HttpHeaders headers) {
    HttpResponse response;
    response.head.status = status;
    response.head.headers = std::move(headers);
    response.head.expectedContentLength = static_cast<std::int64_t>(body.size());
    response.body = std::move(body);
    std::lock_guard lock(mutex_);
    script_.emplace_back(std::move(response));
}

void ScriptedHttpTransport::fail(int urlErrorCode) {
    std::lock_guard lock(mutex_);
    script_.emplace_back(urlErrorCode);
}

std::vector<HttpRequest> ScriptedHttpTransport::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void ScriptedHttpTransport::invalidate() noexcept {
    std::lock_guard lock(mutex_);
    invalidated_ = true;
}

HttpResponseHead ScriptedHttpTransport::stream(const HttpRequest& request, HttpStreamHandler& handler,
                                               std::stop_token stop) {
    if (!request.url.isHTTP()) throw URLError(URLError::unsupportedURL);
    std::variant<HttpResponse, int> outcome = URLError::unknown;
    {
        std::lock_guard lock(mutex_);
        if (invalidated_ || stop.stop_requested()) throw URLError(URLError::cancelled);
        requests_.push_back(request);
        if (!script_.empty()) {
            outcome = std::move(script_.front());
            script_.pop_front();
        }
    }
    if (const int* code = std::get_if<int>(&outcome)) {
        if (*code == URLError::dataLengthExceedsMaximum) throw ResponseTooLargeError();
        throw URLError(*code);
    }
    const HttpResponse& response = std::get<HttpResponse>(outcome);
    handler.onResponse(response.head);
    if (!response.body.empty()) {
        // A paused handler waits for resume() (or the stop request) and is
        // then offered the same bytes again. What the resumer touches is
        // shared with it, so even a resumer kept past this call stays safe.
        struct ResumeState {
            std::mutex mutex;
            std::condition_variable resumed;
            bool requested = false;
        };
        auto state = std::make_shared<ResumeState>();
        handler.bindResume([state] {
            std::lock_guard lock(state->mutex);
            state->requested = true;
            state->resumed.notify_all();
        });
        struct Unbind {
            HttpStreamHandler& handler;
            ~Unbind() { handler.bindResume({}); }
        } unbind{handler};
        std::stop_callback onStop(stop, [state] {
            std::lock_guard lock(state->mutex);
            state->resumed.notify_all();
        });
        while (handler.onData(response.body) == HttpStreamHandler::Flow::pause) {
            std::unique_lock lock(state->mutex);
            state->resumed.wait(lock, [&] { return state->requested || stop.stop_requested(); });
            if (stop.stop_requested()) throw URLError(URLError::cancelled);
            state->requested = false;
        }
    }
    return response.head;
}

} // namespace sorvalind::test
