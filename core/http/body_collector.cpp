#include "http/body_collector.h"

#include <algorithm>
#include <cstdint>

namespace sorvalind {

void BodyCollector::onResponse(const HttpResponseHead& head) {
    if (!head.expectedContentLength) return;
    // An announced length over the cap fails before any byte is kept.
    auto announced = static_cast<std::uint64_t>(std::max<std::int64_t>(*head.expectedContentLength, 0));
    if (announced > cap_) throw ResponseTooLargeError();
}

HttpStreamHandler::Flow BodyCollector::onData(std::string_view chunk) {
    if (chunk.size() > cap_ - body_.size()) throw ResponseTooLargeError();
    body_.append(chunk);
    return Flow::proceed;
}

} // namespace sorvalind
