#include "platform/curl/multi.h"

#include "platform/curl/curl_error.h"

namespace sorvalind {

namespace {

void check(CURLMcode code) {
    if (code != CURLM_OK) throw CurlError(code, curl_multi_strerror(code));
}

} // namespace

Multi::Multi() {
    ensureCurlInitialised();
    handle_.reset(curl_multi_init());
    if (!handle_) throw CurlError(CURLM_OUT_OF_MEMORY, "libcurl could not create a transfer group");
}

void Multi::add(CURL* easy) {
    check(curl_multi_add_handle(handle_.get(), easy));
}

void Multi::remove(CURL* easy) {
    check(curl_multi_remove_handle(handle_.get(), easy));
}

int Multi::perform() {
    int running = 0;
    check(curl_multi_perform(handle_.get(), &running));
    return running;
}

void Multi::poll(int timeoutMilliseconds) {
    check(curl_multi_poll(handle_.get(), nullptr, 0, timeoutMilliseconds, nullptr));
}

void Multi::wakeup() noexcept {
    curl_multi_wakeup(handle_.get());
}

} // namespace sorvalind
