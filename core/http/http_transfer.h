#pragma once
// One transfer of HttpSession: the libcurl handle, the header lines it
// points to, and the state its callbacks fill in. The handle reads the URL
// and body of the request in place, so the request must outlive the
// transfer's time in the session's group (stream() blocks until then).
//
// Threads: built on the caller's thread; from submission on, driven only by
// the session's thread (callbacks, resumeDelivery(), finish*(),
// releaseHandle()); the caller waits in waitForOutcome(). requestCancel()
// and cancelRequested() are for any thread. The constructor throws
// CurlError.

#include "http/http_transport.h"
#include "platform/curl/easy.h"
#include "platform/curl/slist.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>

namespace sorvalind {

class HttpTransfer {
public:
    // `easy` is a new handle or one that has been reset.
    HttpTransfer(const HttpRequest& request, HttpStreamHandler& handler, Easy easy);
    HttpTransfer(const HttpTransfer&) = delete;
    HttpTransfer& operator=(const HttpTransfer&) = delete;

    CURL* easy() const noexcept { return easy_.get(); }

    // Order of submission within the session; set before submission.
    std::uint64_t serial = 0;

    void requestCancel() noexcept { cancel_.store(true); }
    bool cancelRequested() const noexcept { return cancel_.load(); }

    // Session thread.
    void resumeDelivery() noexcept;
    void finish(int curlCode) noexcept;
    void finishWithCode(int urlErrorCode) noexcept;
    // After finish*(): whether the handle ran its transfer to a clean end, so
    // that once reset it can serve another; one that failed, was cancelled
    // or stopped while paused is not worth the doubt.
    bool handleReusable() const noexcept { return cleanEnd_; }
    // After finish*(): the handle, which then no longer belongs to the transfer.
    Easy releaseHandle() noexcept { return std::move(easy_); }

    // Caller thread: blocks until finished; returns the head or throws the
    // failure (a handler's own exception first, then the URLError).
    HttpResponseHead waitForOutcome();

private:
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) noexcept;
    static std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* self) noexcept;
    static int onProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                          curl_off_t uploaded) noexcept;

    bool headerLine(std::string_view line);
    bool deliverHead();
    void signal(int urlErrorCode) noexcept;

    Slist headerLines_;
    Easy easy_;
    HttpStreamHandler& handler_;

    HttpResponseHead head_;
    HttpHeaders collecting_;
    bool headDelivered_ = false;
    std::exception_ptr handlerFailure_;

    // Idle timing, session thread only: the transfer times out when neither
    // direction moved a byte for idleLimit_, not counting time spent paused.
    std::chrono::steady_clock::duration idleLimit_;
    std::chrono::steady_clock::duration connectLimit_;
    std::chrono::steady_clock::time_point lastActivity_;
    curl_off_t lastDownloaded_ = 0;
    curl_off_t lastUploaded_ = 0;
    bool paused_ = false;
    bool idleTimedOut_ = false;
    bool cleanEnd_ = false;

    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = false;
    int errorCode_ = 0;
};

} // namespace sorvalind
