#include "platform/curl/easy.h"

namespace sorvalind {

Easy::Easy() {
    ensureCurlInitialised();
    handle_.reset(curl_easy_init());
    if (!handle_) throw CurlError(CURLE_FAILED_INIT, "libcurl could not create a transfer handle");
}

long Easy::infoLong(CURLINFO info) const noexcept {
    long value = 0;
    if (curl_easy_getinfo(handle_.get(), info, &value) != CURLE_OK) return 0;
    return value;
}

} // namespace sorvalind
