#pragma once
// An HttpTransport that answers from a script instead of the network, for
// tests of callers' retry and failure handling. Each call takes the next
// scripted outcome: an answer (delivered to the handler in one chunk) or a
// URLError code. An empty script fails with URLError(unknown).
// Any thread; outcomes are taken in call order.

#include "http/http_transport.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <variant>
#include <vector>

namespace sorvalind::test {

class ScriptedHttpTransport final : public HttpTransport {
public:
    void answer(int status, std::string body, HttpHeaders headers = {});
    void fail(int urlErrorCode);

    // The requests seen so far, in order.
    std::vector<HttpRequest> requests() const;

    HttpResponseHead stream(const HttpRequest& request, HttpStreamHandler& handler,
                            std::stop_token stop = {}) override;
    void cancelAll() noexcept override {}
    void invalidate() noexcept override;

private:
    mutable std::mutex mutex_;
    std::deque<std::variant<HttpResponse, int>> script_;
    std::vector<HttpRequest> requests_;
    bool invalidated_ = false;
};

} // namespace sorvalind::test
