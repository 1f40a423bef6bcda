#pragma once
// The random-access byte source under the decoders for one song: a file on
// the server, read in blocks of 128 KiB with one HTTP range request per
// block, or a downloaded file. A decoder asking for bytes anywhere in the
// song blocks until their blocks have arrived, so it can seek freely in a
// song that is still on the server.
//
// The last 16 blocks are kept; a 17th evicts the one fetched first. A block
// answer is accepted only when it is a 206 whose "Content-Range" starts
// exactly at the asked offset, names a numeric total and whose length is
// exactly the asked range (cut at the total). Transient connection failures
// are retried four times, after 0.5, 1, 2 and 4 s of the timers' clock. All
// range requests go through the one transport given, so consecutive blocks
// reuse its connection.
//
// Threads: one thread reads (read, prepare, the constructor); cancel() may
// come from any other and wakes that thread at once. Failures: AudioFailure
// (rangeUnavailable for an answer other than 206, a redirect included;
// invalidResponse for a malformed or incomplete range; cancelled), URLError
// from the transport as it is, the network policy's errors from the
// constructor, APIError::configuration for a URL that is neither http(s)
// nor a file, std::filesystem::filesystem_error for a local file.

#include "http/http_request.h"
#include "http/http_transport.h"
#include "platform/ffmpeg/byte_source.h"
#include "runtime/executor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <stop_token>
#include <vector>

namespace sorvalind {

class FileByteSource;

class RangeReader final : public ByteSource {
public:
    static constexpr std::int64_t blockSize = 131072;
    static constexpr std::size_t cachedBlocks = 16;
    static constexpr std::size_t offsetHistory = 1024;
    static constexpr std::chrono::seconds requestTimeout{15};
    static constexpr int retries = 4;

    // `transport` carries every range request; `timers` measures the delays
    // between attempts and must outlive the reader. With `prefetch` the
    // first block is fetched at once (its failure is thrown).
    RangeReader(const HttpRequest& request, std::shared_ptr<HttpTransport> transport, Executor& timers,
                bool prefetch = false);
    ~RangeReader() override;
    RangeReader(const RangeReader&) = delete;
    RangeReader& operator=(const RangeReader&) = delete;

    // Learns the size by fetching the first block, once.
    void prepare() override;
    // The resource's length; 0 until the first block has arrived.
    std::int64_t size() const override { return size_; }
    // Up to into.size() bytes from `position`: fewer at the end, none at or
    // past it, before the size is known, or (for a server resource) at a
    // negative position. A file reads a negative position from the start.
    std::size_t read(std::int64_t position, std::span<std::byte> into) override;
    std::vector<std::byte> read(std::int64_t position, std::size_t count);

    // Stops the reader for good: the read under way ends at once and every
    // later call throws AudioFailure.cancelled.
    void cancel() noexcept;

    // Body bytes of all accepted range answers.
    std::int64_t transferredBytes() const noexcept { return transferredBytes_; }
    // Start offsets of the accepted range answers, oldest first, the latest 1024.
    const std::deque<std::int64_t>& requestedOffsets() const noexcept { return requestedOffsets_; }

private:
    void throwIfCancelled() const;
    // One block (end inclusive), retried on transient connection failures.
    std::vector<std::byte> fetch(std::int64_t start, std::int64_t end);
    std::vector<std::byte> fetchOnce(std::int64_t start, std::int64_t end);
    const std::vector<std::byte>& block(std::int64_t start);

    // What every range request sends; fetchOnce() sets its "Range".
    HttpRequest sourceRequest_;
    std::shared_ptr<HttpTransport> transport_;
    Executor& timers_;
    std::stop_source cancel_;
    std::unique_ptr<FileByteSource> local_;

    std::map<std::int64_t, std::vector<std::byte>> blocks_;
    std::deque<std::int64_t> recency_; // block starts in the order they were fetched
    // The storage of the block evicted last, for the next one: a block is
    // large enough that fresh memory for each would cost a page fault per
    // 4 KiB.
    std::vector<std::byte> spare_;
    std::int64_t size_ = 0;
    std::int64_t transferredBytes_ = 0;
    std::deque<std::int64_t> requestedOffsets_;
};

} // namespace sorvalind
