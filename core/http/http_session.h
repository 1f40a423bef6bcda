#pragma once
// The libcurl HTTP transport. One session per client (REST, ranged reads,
// streams, downloads, artwork, catalogue search): its transfers share one
// libcurl multi handle, driven by the session's own thread, so connections
// and name lookups are reused between requests. The handles of transfers
// that ended cleanly are reset and serve later ones: nothing of one request
// (method, body, headers, decoding, timeouts) reaches the next.
//
// Policy every transfer follows, whatever the request says:
// - only http and https; anything else fails with URLError(unsupportedURL);
// - redirects are never followed: a 3xx answer is returned as it is;
// - no cookie engine, no cache: "Cache-Control: no-store" and
//   "Pragma: no-cache" go with every request unless the request sets them,
//   and "Expect:" is suppressed;
// - TLS 1.2 at least, with the system's certificate checks;
// - timeouts are idle timeouts (no byte in either direction for
//   HttpRequest::idleTimeout once connected, time paused by the receiver
//   excluded) plus a connect timeout, never a limit on the whole transfer;
// - proxies: plain-http requests always go direct, so that an unencrypted
//   request only ever reaches the address the network policy judged;
//   https requests honour the standard proxy environment variables
//   (https_proxy, all_proxy, no_proxy) when the user has set them.
//
// Any thread may call stream()/perform() concurrently; they block until the
// transfer ends. A stop request of the stop_token ends the transfer at once
// with URLError(cancelled). When the libcurl group itself fails (it cannot
// run or wait for its transfers), every transfer in it ends at once with
// URLError(unknown) and the session waits, without spinning, for the next
// transfer to try again. The constructor throws CurlError; the destructor
// ends every transfer with URLError(cancelled) and must not race with calls
// still being made.

#include "http/http_transport.h"

#include <functional>
#include <memory>

namespace sorvalind {

class HttpSession final : public HttpTransport {
public:
    // The two steps of the session's loop that can fail as a whole.
    enum class GroupStep { perform, poll };
    // Asked on the session's thread before each step; answering true makes
    // that step fail as a broken libcurl group would. For tests only.
    using GroupFault = std::function<bool(GroupStep)>;

    HttpSession();
    explicit HttpSession(GroupFault fault);
    ~HttpSession() override;
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    HttpResponseHead stream(const HttpRequest& request, HttpStreamHandler& handler,
                            std::stop_token stop = {}) override;
    void cancelAll() noexcept override;
    void invalidate() noexcept override;

private:
    struct Loop;
    std::unique_ptr<Loop> loop_;
};

} // namespace sorvalind
