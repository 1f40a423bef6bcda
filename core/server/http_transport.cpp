#include "server/http_transport.h"

#include <algorithm>

namespace sorvalind {

void HttpStreamHandler::resume() {
    // Called under the lock: a transport removes its resumer when the transfer
    // ends, and that removal must wait for a call already under way, or the
    // call would reach a transfer that is gone.
    std::lock_guard lock(mutex_);
    if (resumer_) resumer_();
}

void HttpStreamHandler::bindResume(std::function<void()> resumer) {
    std::lock_guard lock(mutex_);
    resumer_ = std::move(resumer);
}

namespace {

class BodyCollector final : public HttpStreamHandler {
public:
    explicit BodyCollector(std::size_t cap) : cap_(cap) {}

    void onResponse(const HttpResponseHead& head) override {
        if (head.expectedContentLength) {
            // An announced length over the cap fails before any byte is kept.
            auto announced =
                static_cast<std::uint64_t>(std::max<std::int64_t>(*head.expectedContentLength, 0));
            if (announced > cap_) throw ResponseTooLargeError();
            body_.reserve(static_cast<std::size_t>(announced));
        }
    }

    Flow onData(std::string_view chunk) override {
        if (chunk.size() > cap_ - body_.size()) throw ResponseTooLargeError();
        body_.append(chunk);
        return Flow::proceed;
    }

    std::string take() noexcept { return std::move(body_); }

private:
    std::size_t cap_;
    std::string body_;
};

} // namespace

HttpResponse HttpTransport::perform(const HttpRequest& request, std::stop_token stop) {
    BodyCollector collector(request.maxBodyBytes);
    HttpResponse response;
    response.head = stream(request, collector, std::move(stop));
    response.body = collector.take();
    return response;
}

} // namespace sorvalind
