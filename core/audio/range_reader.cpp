#include "audio/range_reader.h"

#include "audio/file_byte_source.h"
#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "http/network_security.h"
#include "platform/curl/query_item.h"
#include "runtime/cancellation.h"
#include "runtime/timer_wait.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace sorvalind {

namespace {

std::optional<std::int64_t> decimal(std::string_view text) {
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// Collects one range answer and refuses it as soon as its head or body
// shows that it is not exactly the range asked for.
class RangeExchange final : public HttpStreamHandler {
public:
    // Fills `storage` (emptied first; its capacity is reused).
    RangeExchange(std::int64_t start, std::int64_t end, std::vector<std::byte> storage)
        : start_(start), end_(end), data_(std::move(storage)) {
        data_.clear();
    }

    void onResponse(const HttpResponseHead& head) override {
        if (head.status != 206) throw AudioFailure::rangeUnavailable();
        std::optional<std::string> range = head.header("Content-Range");
        if (!range || !range->starts_with("bytes " + std::to_string(start_) + "-"))
            throw AudioFailure::invalidResponse();
        std::string_view text = *range;
        while (text.ends_with('/'))
            text.remove_suffix(1);
        std::optional<std::int64_t> total = decimal(text.substr(text.rfind('/') + 1));
        if (!total || *total <= start_ || head.expectedContentLength != std::min(*total, end_ + 1) - start_)
            throw AudioFailure::invalidResponse();
        total_ = *total;
        data_.reserve(static_cast<std::size_t>(*head.expectedContentLength));
    }

    Flow onData(std::string_view chunk) override {
        if (static_cast<std::int64_t>(data_.size() + chunk.size()) > end_ - start_ + 1)
            throw AudioFailure::invalidResponse();
        const auto* bytes = reinterpret_cast<const std::byte*>(chunk.data());
        data_.insert(data_.end(), bytes, bytes + chunk.size());
        return Flow::proceed;
    }

    std::int64_t total() const noexcept { return total_; }
    std::vector<std::byte>& data() noexcept { return data_; }

private:
    std::int64_t start_;
    std::int64_t end_;
    std::int64_t total_ = 0;
    std::vector<std::byte> data_;
};

} // namespace

RangeReader::RangeReader(const HttpRequest& request, std::shared_ptr<HttpTransport> transport,
                         Executor& timers, bool prefetch)
    : sourceRequest_(request), transport_(std::move(transport)), timers_(timers) {
    NetworkSecurity::validate(request);
    if (request.url.isFile()) {
        local_ = std::make_unique<FileByteSource>(percentDecoded(request.url.path()));
        size_ = local_->size();
        return;
    }
    if (!request.url.isHTTP() || !transport_) throw APIError::configuration();
    // Every block is fetched anew from the server: nothing cached on the
    // way, and the bytes exactly as stored (offsets are the file's own).
    auto& headers = sourceRequest_.headers;
    setHeader(headers, "Cache-Control", "no-store");
    setHeader(headers, "Pragma", "no-cache");
    setHeader(headers, "Accept-Encoding", "identity");
    sourceRequest_.decodeContent = false;
    // A block read in a few large pieces rather than eight of libcurl's own
    // 16 KiB: fewer rounds of poll, receive and copy on the session's thread
    // for each block the decoder waits for.
    sourceRequest_.receiveBufferBytes = static_cast<std::size_t>(blockSize);
    sourceRequest_.idleTimeout = requestTimeout;
    sourceRequest_.connectTimeout.reset();
    if (prefetch) prepare();
}

RangeReader::~RangeReader() = default;

void RangeReader::cancel() noexcept {
    cancel_.request_stop();
}

void RangeReader::throwIfCancelled() const {
    if (cancel_.stop_requested()) throw AudioFailure::cancelled();
}

void RangeReader::prepare() {
    throwIfCancelled();
    if (size_ != 0 || local_) return;
    block(0);
}

std::vector<std::byte> RangeReader::fetchOnce(std::int64_t start, std::int64_t end) {
    throwIfCancelled();
    // The one request is amended in place: a copy would parse its URL again
    // for every block.
    setHeader(sourceRequest_.headers, "Range", "bytes=" + std::to_string(start) + "-" + std::to_string(end));
    RangeExchange exchange(start, end, std::move(spare_));
    transport_->stream(sourceRequest_, exchange, cancel_.get_token());
    std::vector<std::byte>& data = exchange.data();
    const auto length = static_cast<std::int64_t>(data.size());
    if (exchange.total() < 1 || length != std::min(exchange.total(), end + 1) - start ||
        (size_ != 0 && size_ != exchange.total()))
        throw AudioFailure::invalidResponse();
    size_ = exchange.total();
    transferredBytes_ += length;
    if (requestedOffsets_.size() == offsetHistory) requestedOffsets_.pop_front();
    requestedOffsets_.push_back(start);
    return std::move(data);
}

std::vector<std::byte> RangeReader::fetch(std::int64_t start, std::int64_t end) {
    for (int attempt = 0;; ++attempt) {
        try {
            return fetchOnce(start, end);
        } catch (const URLError& error) {
            if (attempt == retries || !NetworkSecurity::isTransientConnectionError(error)) throw;
        }
        try {
            waitOnClockOf(timers_, std::chrono::milliseconds(500) * (1 << attempt), cancel_.get_token());
        } catch (const CancellationError&) {
            // Cancelled, or the timers shut down: either way no more attempts.
            throw AudioFailure::cancelled();
        }
    }
}

const std::vector<std::byte>& RangeReader::block(std::int64_t start) {
    if (auto found = blocks_.find(start); found != blocks_.end()) return found->second;
    // Unsized, the first block is asked for in full; afterwards never past the end.
    std::int64_t end = size_ == 0 ? start + blockSize - 1 : std::min(start + blockSize, size_) - 1;
    std::vector<std::byte> data = fetch(start, end);
    auto stored = blocks_.emplace(start, std::move(data)).first;
    recency_.push_back(start);
    if (recency_.size() > cachedBlocks) {
        auto evicted = blocks_.find(recency_.front());
        spare_ = std::move(evicted->second);
        blocks_.erase(evicted);
        recency_.pop_front();
    }
    return stored->second;
}

std::size_t RangeReader::read(std::int64_t position, std::span<std::byte> into) {
    throwIfCancelled();
    if (local_) return local_->read(position, into);
    if (position < 0 || position >= size_) return 0;
    const std::int64_t end = std::min(position + static_cast<std::int64_t>(into.size()), size_);
    std::size_t copied = 0;
    while (position < end) {
        std::int64_t start = position - position % blockSize;
        const std::vector<std::byte>& data = block(start);
        std::int64_t offset = position - start;
        std::int64_t take = std::min(end - position, static_cast<std::int64_t>(data.size()) - offset);
        if (take < 1) throw AudioFailure::invalidResponse();
        std::memcpy(into.data() + copied, data.data() + offset, static_cast<std::size_t>(take));
        copied += static_cast<std::size_t>(take);
        position += take;
    }
    return copied;
}

std::vector<std::byte> RangeReader::read(std::int64_t position, std::size_t count) {
    throwIfCancelled();
    if (local_ ? position >= size_ : (position < 0 || position >= size_)) return {};
    std::vector<std::byte> bytes(
        std::min<std::size_t>(count, static_cast<std::size_t>(size_ - std::max<std::int64_t>(position, 0))));
    bytes.resize(read(position, bytes));
    return bytes;
}

} // namespace sorvalind
