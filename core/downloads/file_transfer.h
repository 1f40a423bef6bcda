#pragma once
// Fetches one file over HTTP(S) into the private transfer folder for the
// download worker, through the client's own HTTP session.
//
// The body goes straight to a new file named by an upper-case UUID and
// ".part" as it arrives, never held whole. The request is checked and
// hardened by the network policy, asks for "Accept-Encoding: identity" (so
// the byte counts are the file's own), follows no redirect, and fails after
// 60 s without a byte or 3600 s in all (on the timer executor's clock). Only
// a non-empty answer with status 200 whose size matches a known
// Content-Length is accepted. Progress goes to the handlers on the
// transport's thread: the first report, then at most one every 0.1 s on the
// timer executor's clock, plus the one that completes a known length. A
// count held back goes out from the timer executor when its 0.1 s window
// ends, so a stalled body shows the bytes already received; no report comes
// after download() has returned.
//
// One object serves one download() call. download() blocks its worker
// thread, never the main actor; cancel() may come from any thread, also
// before download() starts (then it throws CancellationError and sends
// nothing). Failures: what NetworkSecurity::validate throws,
// CancellationError, URLError (cancelled while running, timedOut, network
// errors), APIError::http(status) for any status but 200 (a refused
// redirect included), AudioFailure::invalidResponse for an empty body or a
// size that differs from the announced length, and
// std::filesystem::filesystem_error for the folder or the file. After a
// failure no file of the transfer is left; after success the file belongs
// to the caller.

#include "http/http_response.h"
#include "http/http_transport.h"
#include "runtime/executor.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace sorvalind {

class FileTransfer {
public:
    using Progress = std::function<void(double fraction)>;
    using ByteProgress = std::function<void(std::int64_t received, std::optional<std::int64_t> expected)>;

    struct Result {
        std::filesystem::path file;
        HttpResponseHead response;
    };

    static constexpr std::chrono::seconds idleTimeout{60};
    static constexpr std::chrono::seconds totalTimeout{3600};
    // Read from the connection at a time: the session's one thread also
    // writes the file, and a song of 30 MB in 16 KiB pieces costs it about
    // 2,000 rounds of poll, receive and write where 60 do.
    static constexpr std::size_t receiveBufferBytes = 512 * 1024;

    // `folder` is the private transfer folder (made and checked here with
    // prepareTransferFolder); `timers` runs the total-time limit and its
    // clock paces the progress reports. Both must outlive the call.
    FileTransfer(std::shared_ptr<HttpTransport> transport, std::filesystem::path folder, Executor& timers,
                 Progress progress, ByteProgress byteProgress = {});
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    Result download(const HttpRequest& request, std::stop_token stop = {});
    void cancel() noexcept;

private:
    struct Run;

    std::shared_ptr<HttpTransport> transport_;
    std::filesystem::path folder_;
    Executor& timers_;
    Progress progress_;
    ByteProgress byteProgress_;

    std::mutex mutex_;
    bool cancelled_ = false;
    std::shared_ptr<Run> run_;
};

} // namespace sorvalind
