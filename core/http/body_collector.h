#pragma once
// Collects a whole answer body for HttpTransport::perform(), up to a cap.
//
// The body grows with the bytes that arrive, never with the length the
// server announces: a Content-Length is only a claim, and reserving it would
// let any answer make the client hold up to the cap before a byte has come.
// An announced length over the cap still fails at once.
//
// Transport thread (the handler's callbacks); take() once the transfer has
// ended. Throws ResponseTooLargeError past the cap.

#include "http/http_transport.h"

#include <cstddef>
#include <string>

namespace sorvalind {

class BodyCollector final : public HttpStreamHandler {
public:
    explicit BodyCollector(std::size_t cap) noexcept : cap_(cap) {}

    void onResponse(const HttpResponseHead& head) override;
    Flow onData(std::string_view chunk) override;

    std::string take() noexcept { return std::move(body_); }

private:
    std::size_t cap_;
    std::string body_;
};

} // namespace sorvalind
