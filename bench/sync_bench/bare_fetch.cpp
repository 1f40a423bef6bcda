#include "sync_bench/bare_fetch.h"

#include "runtime/decimal_text.h"
#include "store_bench/bench_timing.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace sorvalind::bench {

namespace {

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

} // namespace

BareFetch bareFetch(const APIClient& client, int pages, int count) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) throw std::runtime_error("curl_easy_init failed");
    BareFetch result;
    std::string body;
    const auto start = Clock::now();
    for (int page = 0; page < pages; ++page) {
        const std::string offset = decimalText(static_cast<std::int64_t>(page) * count);
        const std::string size = decimalText(count);
        const HttpRequest request = client.authenticatedRequest("search3", {{"query", ""},
                                                                            {"artistCount", size},
                                                                            {"albumCount", size},
                                                                            {"songCount", size},
                                                                            {"artistOffset", offset},
                                                                            {"albumOffset", offset},
                                                                            {"songOffset", offset}});
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
        for (const auto& [name, value] : request.headers)
            headers.reset(curl_slist_append(headers.release(), (name + ": " + value).c_str()));
        body.clear();
        CURL* curl = handle.get();
        curl_easy_setopt(curl, CURLOPT_URL, request.url.absoluteString().c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        const CURLcode code = curl_easy_perform(curl);
        if (code != CURLE_OK) throw std::runtime_error(curl_easy_strerror(code));
        result.bytes += body.size();
        ++result.requests;
    }
    result.seconds = secondsSince(start);
    return result;
}

} // namespace sorvalind::bench
