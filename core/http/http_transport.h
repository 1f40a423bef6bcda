#pragma once
// The HTTP layer every network caller uses: a small interface so that tests
// can script it, with HttpSession (libcurl) as the real implementation.
//
// Calls block the calling thread (a worker or an actor's queue, never the
// main actor) until the transfer ends; transfers themselves run elsewhere.
// Every call may run on any thread, concurrently.
//
// Failures: URLError for transport failures (cancelled -999, timed out
// -1001, unsupported URL -1002, cannot find host -1003, cannot connect
// -1004, connection lost -1005, not connected -1009, bad server response
// -1011, TLS -1200 to -1204, ...), ResponseTooLargeError (-1103) when a full
// body exceeds its request's cap, and whatever a stream handler throws.
// An HTTP status is never a failure: 3xx, 4xx and 5xx answers are returned.

#include "errors/url_error.h"
#include "http/http_response.h"

#include <functional>
#include <mutex>
#include <stop_token>
#include <string_view>

namespace sorvalind {

class ResponseTooLargeError : public URLError {
public:
    ResponseTooLargeError() : URLError(URLError::dataLengthExceedsMaximum) {}
};

// Receives a streamed answer. Its callbacks run on the transport's own
// thread, one at a time: they must return promptly and must not start a
// transfer on the same transport. An exception thrown from a callback ends
// the transfer and is rethrown by HttpTransport::stream().
class HttpStreamHandler {
public:
    enum class Flow { proceed, pause };

    virtual ~HttpStreamHandler() = default;

    // The final status and headers, before any body byte.
    virtual void onResponse(const HttpResponseHead& head) { (void)head; }
    // The next body bytes. Returning pause stops delivery (the idle timeout
    // no longer runs) until resume(); the same bytes are then offered again.
    virtual Flow onData(std::string_view chunk) = 0;

    // Lets a paused transfer go on. Any thread; does nothing when no transfer
    // of this handler is running, also when that transfer has just ended.
    void resume();

    // For transports only: installs (or, with an empty function, removes)
    // what resume() calls. The resumer runs under this handler's lock, so
    // once the transport has removed it no call of it is still running and
    // none will start: it may refer to the transfer's own state. It must be
    // short and must not call resume() or bindResume().
    void bindResume(std::function<void()> resumer);

private:
    std::mutex mutex_;
    std::function<void()> resumer_;
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Sends the request and returns the whole answer, at most
    // request.maxBodyBytes of body.
    HttpResponse perform(const HttpRequest& request, std::stop_token stop = {});

    // Sends the request and delivers the answer to the handler as it
    // arrives; returns the head once the body has ended.
    virtual HttpResponseHead stream(const HttpRequest& request, HttpStreamHandler& handler,
                                    std::stop_token stop = {}) = 0;

    // Ends every transfer in flight with URLError(cancelled); later
    // transfers run normally.
    virtual void cancelAll() noexcept = 0;
    // Ends every transfer in flight and refuses every later one with
    // URLError(cancelled).
    virtual void invalidate() noexcept = 0;
};

} // namespace sorvalind
