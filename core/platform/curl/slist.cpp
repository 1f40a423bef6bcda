#include "platform/curl/slist.h"

#include "platform/curl/curl_error.h"

namespace sorvalind {

void Slist::append(const std::string& line) {
    curl_slist* grown = curl_slist_append(head_.get(), line.c_str());
    if (!grown) throw CurlError(CURLE_OUT_OF_MEMORY, "libcurl could not grow a header list");
    // curl_slist_append returns the same head once the list is non-empty.
    if (!head_) head_.reset(grown);
}

} // namespace sorvalind
