#pragma once
// One libcurl multi handle. Move-only. wakeup() may be called from any
// thread; everything else from the one thread that drives the handle.
// The constructor, add() and remove() throw CurlError.

#include <curl/curl.h>

#include <memory>

namespace sorvalind {

class Multi {
public:
    Multi();

    CURLM* get() const noexcept { return handle_.get(); }

    void add(CURL* easy);
    void remove(CURL* easy);
    // Runs every transfer that can make progress; returns how many still run.
    int perform();
    // Waits for activity on any transfer, a wakeup() or the timeout.
    void poll(int timeoutMilliseconds);
    // Ends a poll() in progress at once (or the next one to start).
    void wakeup() noexcept;

private:
    struct Cleanup {
        void operator()(CURLM* handle) const noexcept { curl_multi_cleanup(handle); }
    };
    std::unique_ptr<CURLM, Cleanup> handle_;
};

} // namespace sorvalind
