#include "downloads/file_transfer.h"

#include "downloads/file_failure.h"
#include "downloads/progress_throttle.h"
#include "downloads/transfer_folder.h"
#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "errors/url_error.h"
#include "http/network_security.h"
#include "platform/crypto/digest.h"
#include "runtime/cancellation.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace sorvalind {

// What the total-time limit and cancel() reach while a download runs.
struct FileTransfer::Run {
    std::stop_source stop;
    std::atomic<bool> timedOut{false};
};

namespace {

// The ".part" file being written; removed again unless the transfer hands
// it over.
class PartFile {
public:
    explicit PartFile(std::filesystem::path path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ < 0) throwFileFailure(path_, errno, "cannot create the transfer file");
    }
    ~PartFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!released_) ::unlink(path_.c_str());
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    void write(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                throwFileFailure(path_, errno, "cannot write the transfer file");
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    void close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) throwFileFailure(path_, errno, "cannot write the transfer file");
    }
    std::filesystem::path release() {
        released_ = true;
        return path_;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool released_ = false;
};

// The progress reports of one transfer. The transport's thread sends most;
// a trailing report sent from the timer executor carries the count a stall
// would otherwise hide. Both go through the lock, so the handlers see one
// report at a time and counts that never go back; none goes out once the
// transfer has returned.
class ProgressReports : public std::enable_shared_from_this<ProgressReports> {
public:
    ProgressReports(Executor& timers, const FileTransfer::Progress& progress,
                    const FileTransfer::ByteProgress& byteProgress)
        : timers_(timers), throttle_(timers.clock()), progress_(progress), byteProgress_(byteProgress) {}

    void update(std::int64_t written, std::optional<std::int64_t> expected) {
        std::lock_guard lock(mutex_);
        written_ = written;
        expected_ = expected;
        follow(throttle_.admit(written_, expected_));
    }

    void close() noexcept {
        std::lock_guard lock(mutex_);
        open_ = false;
    }

private:
    void follow(const ProgressThrottle::Admission& admission) {
        if (admission.now) send();
        if (admission.trailingAt)
            timers_.postAt(*admission.trailingAt, [weak = weak_from_this()] {
                if (auto reports = weak.lock()) reports->trail();
            });
    }

    void trail() {
        std::lock_guard lock(mutex_);
        if (open_) follow(throttle_.trailing());
    }

    void send() {
        if (!open_) return;
        if (progress_)
            progress_(expected_ ? static_cast<double>(written_) / static_cast<double>(*expected_) : 0.0);
        if (byteProgress_) byteProgress_(written_, expected_);
    }

    Executor& timers_;
    std::mutex mutex_;
    ProgressThrottle throttle_;
    const FileTransfer::Progress& progress_;
    const FileTransfer::ByteProgress& byteProgress_;
    std::int64_t written_ = 0;
    std::optional<std::int64_t> expected_;
    bool open_ = true;
};

class BodyWriter final : public HttpStreamHandler {
public:
    BodyWriter(PartFile& file, Executor& timers, const FileTransfer::Progress& progress,
               const FileTransfer::ByteProgress& byteProgress)
        : file_(file), reports_(std::make_shared<ProgressReports>(timers, progress, byteProgress)) {}
    ~BodyWriter() override { reports_->close(); }
    BodyWriter(const BodyWriter&) = delete;
    BodyWriter& operator=(const BodyWriter&) = delete;

    void onResponse(const HttpResponseHead& head) override {
        // Nothing but a whole 200 answer is the file; a redirect is refused.
        if (head.status != 200) throw APIError::http(head.status);
        expected_ = head.expectedContentLength;
    }

    Flow onData(std::string_view chunk) override {
        file_.write(chunk);
        written_ += static_cast<std::int64_t>(chunk.size());
        reports_->update(written_, expected_ && *expected_ >= 1 ? expected_ : std::optional<std::int64_t>());
        return Flow::proceed;
    }

    std::int64_t written() const noexcept { return written_; }

private:
    PartFile& file_;
    std::shared_ptr<ProgressReports> reports_;
    std::optional<std::int64_t> expected_;
    std::int64_t written_ = 0;
};

} // namespace

FileTransfer::FileTransfer(std::shared_ptr<HttpTransport> transport, std::filesystem::path folder,
                           Executor& timers, Progress progress, ByteProgress byteProgress)
    : transport_(std::move(transport)), folder_(std::move(folder)), timers_(timers),
      progress_(std::move(progress)), byteProgress_(std::move(byteProgress)) {}

FileTransfer::Result FileTransfer::download(const HttpRequest& request, std::stop_token stop) {
    HttpRequest prepared = NetworkSecurity::prepare(request);
    std::erase_if(prepared.headers,
                  [](const auto& field) { return headerValue({field}, "Accept-Encoding").has_value(); });
    prepared.headers.emplace_back("Accept-Encoding", "identity");
    prepared.decodeContent = false;
    prepared.idleTimeout = idleTimeout;
    prepared.receiveBufferBytes = receiveBufferBytes;

    auto run = std::make_shared<Run>();
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) throw CancellationError();
        run_ = run;
    }
    std::stop_callback onStop(stop, [run] { run->stop.request_stop(); });
    timers_.postAfter(totalTimeout, [weak = std::weak_ptr<Run>(run)] {
        if (auto limited = weak.lock()) {
            limited->timedOut = true;
            limited->stop.request_stop();
        }
    });

    prepareTransferFolder(folder_);
    PartFile file(folder_ / (randomUUID() + ".part"));
    BodyWriter writer(file, timers_, progress_, byteProgress_);
    HttpResponseHead head;
    try {
        head = transport_->stream(prepared, writer, run->stop.get_token());
    } catch (const URLError& error) {
        if (error.code() == URLError::cancelled && run->timedOut) throw URLError(URLError::timedOut);
        throw;
    }
    if (head.status != 200) throw APIError::http(head.status);
    file.close();
    if (writer.written() < 1) throw AudioFailure::invalidResponse();
    if (head.expectedContentLength && *head.expectedContentLength > 0 &&
        *head.expectedContentLength != writer.written())
        throw AudioFailure::invalidResponse();
    return {file.release(), std::move(head)};
}

void FileTransfer::cancel() noexcept {
    std::shared_ptr<Run> run;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        run = run_;
    }
    if (run) run->stop.request_stop();
}

} // namespace sorvalind
