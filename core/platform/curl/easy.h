#pragma once
// One libcurl easy handle. Move-only; one thread at a time (a handle added to
// a Multi belongs to the thread that drives that Multi). The constructor and
// set() throw CurlError.

#include "platform/curl/curl_error.h"

#include <curl/curl.h>

#include <memory>

namespace sorvalind {

class Easy {
public:
    Easy();

    CURL* get() const noexcept { return handle_.get(); }

    template <typename Value> void set(CURLoption option, Value value) {
        CURLcode code = curl_easy_setopt(handle_.get(), option, value);
        if (code != CURLE_OK) throw CurlError(code, curl_easy_strerror(code));
    }

    // Back to a new handle's options and state for the next transfer; the
    // handle keeps only its buffers (connections and name lookups live in the
    // group it runs in).
    void reset() noexcept { curl_easy_reset(handle_.get()); }

    // A long-valued transfer detail; 0 when libcurl has none.
    long infoLong(CURLINFO info) const noexcept;

private:
    struct Cleanup {
        void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
    };
    std::unique_ptr<CURL, Cleanup> handle_;
};

} // namespace sorvalind
