#pragma once
// One HTTP request as the HTTP layer sends it. Plain value; any thread.

#include "platform/curl/url.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind {

enum class HttpMethod { get, post };

// Header fields in order; names compare case-insensitively.
using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

// The value of the first header with this name (any case), if any.
std::optional<std::string> headerValue(const HttpHeaders& headers, std::string_view name);
// Replaces every header with this name (any case) by one with this value.
void setHeader(HttpHeaders& headers, const std::string& name, std::string value);

struct HttpRequest {
    explicit HttpRequest(Url requestUrl) : url(std::move(requestUrl)) {}

    Url url;
    HttpMethod method = HttpMethod::get;
    HttpHeaders headers;
    // Sent as is for POST; ignored for GET.
    std::string body;

    // The transfer fails with URLError(timedOut) when no byte moves for this
    // long (time spent paused by the receiver does not count).
    std::chrono::seconds idleTimeout{60};
    // Time allowed to resolve and connect; the idle timeout when absent.
    std::optional<std::chrono::milliseconds> connectTimeout;
    // Full-body requests only: a larger body fails with ResponseTooLargeError.
    std::size_t maxBodyBytes = 64 * 1024 * 1024;
    // Bytes libcurl reads from the connection at a time (and hands to a
    // stream handler at most); absent: libcurl's own 16 KiB. A large file
    // streamed to disk asks for more, so that the session's one thread
    // spends fewer rounds of poll, receive and write on each megabyte.
    std::optional<std::size_t> receiveBufferBytes;
    // Ask for compressed answers and decode them; byte-range readers turn
    // this off so that offsets are the server's own.
    bool decodeContent = true;

    // A form POST: the body is formEncoded(items) with its content type.
    void setFormBody(const std::vector<QueryItem>& items);

    // Method and URL without credentials; the body is never shown.
    std::string redactedDescription() const;
};

} // namespace sorvalind
