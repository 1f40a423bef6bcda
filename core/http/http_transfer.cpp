#include "http/http_transfer.h"

#include "http/http_error_mapping.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace sorvalind {

namespace {

std::string_view trimmed(std::string_view text) noexcept {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

std::string headerLineText(const std::string& name, const std::string& value) {
    // libcurl sends a header with an empty value only when written "Name;".
    return value.empty() ? name + ";" : name + ": " + value;
}

} // namespace

HttpTransfer::HttpTransfer(const HttpRequest& request, HttpStreamHandler& handler, Easy easy)
    : easy_(std::move(easy)), handler_(handler) {
    for (const auto& [name, value] : request.headers)
        if (!name.empty()) headerLines_.append(headerLineText(name, value));
    // Nothing is ever served from or stored in a cache on the way.
    if (!headerValue(request.headers, "Cache-Control")) headerLines_.append("Cache-Control: no-store");
    if (!headerValue(request.headers, "Pragma")) headerLines_.append("Pragma: no-cache");
    // Bodies go out at once instead of waiting for "100 Continue".
    if (!headerValue(request.headers, "Expect")) headerLines_.append("Expect:");

    easy_.set(CURLOPT_CURLU, request.url.curlHandle());
    easy_.set(CURLOPT_PRIVATE, static_cast<void*>(this));
    easy_.set(CURLOPT_PROTOCOLS_STR, "http,https");
    easy_.set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    easy_.set(CURLOPT_FOLLOWLOCATION, 0L);
    easy_.set(CURLOPT_NOSIGNAL, 1L);
    easy_.set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    easy_.set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (request.url.scheme() == "http") easy_.set(CURLOPT_PROXY, "");
    easy_.set(CURLOPT_HTTPHEADER, headerLines_.get());
    if (request.decodeContent) easy_.set(CURLOPT_ACCEPT_ENCODING, "");

    long idleSeconds = std::max<long>(1, static_cast<long>(request.idleTimeout.count()));
    long connectMilliseconds =
        request.connectTimeout ? static_cast<long>(request.connectTimeout->count()) : idleSeconds * 1000;
    easy_.set(CURLOPT_CONNECTTIMEOUT_MS, std::max<long>(1, connectMilliseconds));
    // The idle timeout is kept here rather than with libcurl's low-speed
    // limit, which averages over several seconds and so fires late.
    idleLimit_ = std::chrono::seconds(idleSeconds);
    connectLimit_ = std::chrono::milliseconds(connectMilliseconds);
    lastActivity_ = std::chrono::steady_clock::now();

    if (request.method == HttpMethod::post) {
        easy_.set(CURLOPT_POST, 1L);
        easy_.set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
        easy_.set(CURLOPT_POSTFIELDS, request.body.c_str());
    } else {
        easy_.set(CURLOPT_HTTPGET, 1L);
    }

    easy_.set(CURLOPT_HEADERFUNCTION, &HttpTransfer::onHeader);
    easy_.set(CURLOPT_HEADERDATA, static_cast<void*>(this));
    easy_.set(CURLOPT_WRITEFUNCTION, &HttpTransfer::onWrite);
    easy_.set(CURLOPT_WRITEDATA, static_cast<void*>(this));
    easy_.set(CURLOPT_XFERINFOFUNCTION, &HttpTransfer::onProgress);
    easy_.set(CURLOPT_XFERINFODATA, static_cast<void*>(this));
    easy_.set(CURLOPT_NOPROGRESS, 0L);
    if (request.receiveBufferBytes)
        easy_.set(CURLOPT_BUFFERSIZE, static_cast<long>(*request.receiveBufferBytes));
}

bool HttpTransfer::deliverHead() {
    headDelivered_ = true;
    head_.status = static_cast<int>(easy_.infoLong(CURLINFO_RESPONSE_CODE));
    head_.headers = std::move(collecting_);
    curl_off_t length = -1;
    if (curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0)
        head_.expectedContentLength = static_cast<std::int64_t>(length);
    try {
        handler_.onResponse(head_);
        return true;
    } catch (...) {
        handlerFailure_ = std::current_exception();
        return false;
    }
}

bool HttpTransfer::headerLine(std::string_view line) {
    if (headDelivered_) return true; // trailers
    if (line.starts_with("HTTP/")) {
        collecting_.clear();
        return true;
    }
    line = trimmed(line);
    if (line.empty()) {
        long status = easy_.infoLong(CURLINFO_RESPONSE_CODE);
        if (status >= 100 && status < 200) {
            collecting_.clear();
            return true;
        }
        return deliverHead();
    }
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return true;
    collecting_.emplace_back(std::string(trimmed(line.substr(0, colon))),
                             std::string(trimmed(line.substr(colon + 1))));
    return true;
}

std::size_t HttpTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto* transfer = static_cast<HttpTransfer*>(self);
    try {
        return transfer->headerLine(std::string_view(data, size * count)) ? size * count : 0;
    } catch (...) {
        transfer->handlerFailure_ = std::current_exception();
        return 0;
    }
}

std::size_t HttpTransfer::onWrite(char* data, std::size_t size, std::size_t count, void* self) noexcept {
    auto* transfer = static_cast<HttpTransfer*>(self);
    if (transfer->cancelRequested() || transfer->handlerFailure_) return 0;
    if (!transfer->headDelivered_ && !transfer->deliverHead()) return 0;
    try {
        HttpStreamHandler::Flow flow = transfer->handler_.onData(std::string_view(data, size * count));
        if (flow == HttpStreamHandler::Flow::pause) {
            transfer->paused_ = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        return size * count;
    } catch (...) {
        transfer->handlerFailure_ = std::current_exception();
        return 0;
    }
}

int HttpTransfer::onProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                             curl_off_t uploaded) noexcept {
    auto* transfer = static_cast<HttpTransfer*>(self);
    if (transfer->cancelRequested()) return 1;
    auto now = std::chrono::steady_clock::now();
    if (transfer->paused_ || downloaded != transfer->lastDownloaded_ || uploaded != transfer->lastUploaded_) {
        transfer->lastActivity_ = now;
        transfer->lastDownloaded_ = downloaded;
        transfer->lastUploaded_ = uploaded;
        return 0;
    }
    // Until the first byte moves, a longer connect timeout takes precedence.
    auto limit = downloaded == 0 && uploaded == 0 ? std::max(transfer->idleLimit_, transfer->connectLimit_)
                                                  : transfer->idleLimit_;
    if (now - transfer->lastActivity_ < limit) return 0;
    transfer->idleTimedOut_ = true;
    return 1;
}

void HttpTransfer::resumeDelivery() noexcept {
    paused_ = false;
    lastActivity_ = std::chrono::steady_clock::now();
    curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
}

void HttpTransfer::finish(int curlCode) noexcept {
    if (handlerFailure_) return signal(0);
    if (cancelRequested()) return signal(URLError::cancelled);
    if (idleTimedOut_) return signal(URLError::timedOut);
    if (curlCode != CURLE_OK) {
        return signal(urlErrorCode(curlCode, easy_.infoLong(CURLINFO_OS_ERRNO),
                                   easy_.infoLong(CURLINFO_SSL_VERIFYRESULT)));
    }
    if (!headDelivered_ && !deliverHead()) return signal(0);
    cleanEnd_ = !paused_;
    signal(0);
}

void HttpTransfer::finishWithCode(int urlErrorCode) noexcept {
    signal(urlErrorCode);
}

void HttpTransfer::signal(int urlErrorCode) noexcept {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
        errorCode_ = urlErrorCode;
    }
    finishedChanged_.notify_all();
}

HttpResponseHead HttpTransfer::waitForOutcome() {
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [this] { return finished_; });
    // The failure moves to the waiting thread so that only one thread ever
    // counts references to it: the loop thread may drop the transfer later.
    if (handlerFailure_) std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
    if (errorCode_ == URLError::dataLengthExceedsMaximum) throw ResponseTooLargeError();
    if (errorCode_ != 0) throw URLError(errorCode_);
    return head_;
}

} // namespace sorvalind
