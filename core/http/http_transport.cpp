#include "http/http_transport.h"

#include "http/body_collector.h"

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

HttpResponse HttpTransport::perform(const HttpRequest& request, std::stop_token stop) {
    BodyCollector collector(request.maxBodyBytes);
    HttpResponse response;
    response.head = stream(request, collector, std::move(stop));
    response.body = collector.take();
    return response;
}

} // namespace sorvalind
