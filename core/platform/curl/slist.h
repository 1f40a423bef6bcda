#pragma once
// A libcurl string list (request header lines). Move-only; one thread at a
// time. append() throws CurlError when the list cannot grow.

#include <curl/curl.h>

#include <memory>
#include <string>

namespace sorvalind {

class Slist {
public:
    void append(const std::string& line);
    curl_slist* get() const noexcept { return head_.get(); }

private:
    struct Cleanup {
        void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
    };
    std::unique_ptr<curl_slist, Cleanup> head_;
};

} // namespace sorvalind
