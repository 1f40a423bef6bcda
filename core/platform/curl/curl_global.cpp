#include "platform/curl/curl_error.h"

#include <curl/curl.h>

#include <mutex>

namespace sorvalind {

void ensureCurlInitialised() {
    // The library is never torn down: transfers may run until the process ends.
    static std::once_flag once;
    static CURLcode result = CURLE_OK;
    std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
    if (result != CURLE_OK) throw CurlError(result, curl_easy_strerror(result));
}

} // namespace sorvalind
