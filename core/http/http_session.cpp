#include "http/http_session.h"

#include "http/http_transfer.h"
#include "platform/curl/multi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <thread>
#include <vector>

namespace sorvalind {

// The session's thread and what it shares with callers. `mutex` guards the
// fields up to `idleHandles`; `submissions` is read without it; the fields
// after it belong to the loop thread alone.
struct HttpSession::Loop {
    // Reset handles kept for the next transfers: a new handle for every
    // request, with its buffers and defaults, costs about as much as a small
    // request itself on a fast connection. A few cover the transfers a
    // session runs at once.
    static constexpr std::size_t maxIdleHandles = 4;
    // How long the loop looks out for a follow-up after the last transfer in
    // flight has ended; see awaitFollowUp().
    static constexpr std::chrono::microseconds followUpWait{100};

    explicit Loop(GroupFault groupFault) : fault(std::move(groupFault)) {
        idleHandles.reserve(maxIdleHandles);
    }

    Multi multi;
    const GroupFault fault;
    std::mutex mutex;
    // Signalled with `incoming` or `stopping`, for a loop whose group failed.
    std::condition_variable changed;
    std::vector<std::shared_ptr<HttpTransfer>> incoming;
    std::vector<std::weak_ptr<HttpTransfer>> resumes;
    std::uint64_t nextSerial = 1;
    std::uint64_t cancelBelow = 0;
    bool invalidated = false;
    bool stopping = false;
    std::vector<Easy> idleHandles;
    // Counts submissions; read by the loop without the mutex.
    std::atomic<std::uint64_t> submissions{0};

    using Active = std::map<CURL*, std::shared_ptr<HttpTransfer>>;
    Active active;
    bool groupFailed = false;
    // What each turn of the loop takes over from `incoming` and `resumes`,
    // kept so that their storage goes back and forth instead of being
    // allocated anew for each request.
    std::vector<std::shared_ptr<HttpTransfer>> adding;
    std::vector<std::weak_ptr<HttpTransfer>> resuming;
    std::uint64_t submissionsTaken = 0;
    std::thread thread;

    void run() noexcept;
    Easy takeHandle();
    void recycle(HttpTransfer& transfer) noexcept;
    void submit(const std::shared_ptr<HttpTransfer>& transfer);
    bool awaitFollowUp() const noexcept;
    void requestResume(std::weak_ptr<HttpTransfer> transfer);
    void stop() noexcept;
    std::shared_ptr<HttpTransfer> detach(Active::iterator entry) noexcept;
    template <typename Step> bool runStep(GroupStep step, Step&& body) noexcept;
    void failGroup() noexcept;
};

Easy HttpSession::Loop::takeHandle() {
    {
        std::lock_guard lock(mutex);
        if (!idleHandles.empty()) {
            Easy easy = std::move(idleHandles.back());
            idleHandles.pop_back();
            return easy;
        }
    }
    return Easy();
}

// A reset handle carries nothing of its last request into the next one: no
// option, header list, body or URL.
void HttpSession::Loop::recycle(HttpTransfer& transfer) noexcept {
    if (!transfer.handleReusable()) return;
    Easy easy = transfer.releaseHandle();
    easy.reset();
    std::lock_guard lock(mutex);
    // Never grows: the storage is reserved for the most ever kept.
    if (idleHandles.size() < maxIdleHandles) idleHandles.push_back(std::move(easy));
}

void HttpSession::Loop::submit(const std::shared_ptr<HttpTransfer>& transfer) {
    {
        std::lock_guard lock(mutex);
        if (invalidated || stopping) throw URLError(URLError::cancelled);
        transfer->serial = nextSerial++;
        incoming.push_back(transfer);
        submissions.fetch_add(1, std::memory_order_release);
    }
    changed.notify_one();
    multi.wakeup();
}

// A caller whose transfer has just ended often sends its next one at once
// (a reader going through a file block by block, a page after a page).
// Waking from poll() for it costs more than looking out for it for a moment
// without giving up the processor; true when it has come.
bool HttpSession::Loop::awaitFollowUp() const noexcept {
    const auto until = std::chrono::steady_clock::now() + followUpWait;
    do {
        if (submissions.load(std::memory_order_acquire) != submissionsTaken) return true;
        std::this_thread::yield();
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

void HttpSession::Loop::requestResume(std::weak_ptr<HttpTransfer> transfer) {
    {
        std::lock_guard lock(mutex);
        resumes.push_back(std::move(transfer));
    }
    multi.wakeup();
}

void HttpSession::Loop::stop() noexcept {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_one();
    multi.wakeup();
}

std::shared_ptr<HttpTransfer> HttpSession::Loop::detach(Active::iterator entry) noexcept {
    std::shared_ptr<HttpTransfer> transfer = entry->second;
    active.erase(entry);
    try {
        multi.remove(transfer->easy());
    } catch (...) {
        // The handle is gone from the group either way once the transfer is dropped.
    }
    return transfer;
}

template <typename Step> bool HttpSession::Loop::runStep(GroupStep step, Step&& body) noexcept {
    try {
        if (fault && fault(step)) return false;
        body();
        return true;
    } catch (...) {
        return false;
    }
}

// A group that cannot run or wait for its transfers would leave them hanging
// (the idle timeouts are checked by the group's own progress callbacks), and
// a poll that fails at once would spin: end every transfer in it now.
void HttpSession::Loop::failGroup() noexcept {
    groupFailed = true;
    while (!active.empty())
        detach(active.begin())->finishWithCode(URLError::unknown);
}

void HttpSession::Loop::run() noexcept {
    while (true) {
        std::uint64_t below = 0;
        bool stop = false;
        {
            std::unique_lock lock(mutex);
            // After a failure the group is empty; the next transfer tries it
            // again.
            if (groupFailed) changed.wait(lock, [this] { return !incoming.empty() || stopping; });
            groupFailed = false;
            adding.swap(incoming);
            submissionsTaken = submissions.load(std::memory_order_relaxed);
            resuming.swap(resumes);
            below = cancelBelow;
            stop = stopping;
        }
        auto dropped = [&](const HttpTransfer& t) { return stop || t.cancelRequested() || t.serial < below; };

        for (auto& transfer : adding) {
            if (dropped(*transfer)) {
                transfer->finishWithCode(URLError::cancelled);
                continue;
            }
            try {
                multi.add(transfer->easy());
                active.emplace(transfer->easy(), transfer);
            } catch (...) {
                transfer->finishWithCode(URLError::unknown);
            }
        }
        adding.clear();
        for (auto it = active.begin(); it != active.end();) {
            auto next = std::next(it);
            if (dropped(*it->second)) detach(it)->finishWithCode(URLError::cancelled);
            it = next;
        }
        if (stop) return;
        for (auto& weak : resuming) {
            std::shared_ptr<HttpTransfer> transfer = weak.lock();
            if (!transfer) continue;
            // A finished transfer may have handed its handle on to another.
            auto entry = active.find(transfer->easy());
            if (entry != active.end() && entry->second == transfer) transfer->resumeDelivery();
        }
        resuming.clear();

        if (!runStep(GroupStep::perform, [this] { multi.perform(); })) {
            failGroup();
            continue;
        }
        int remaining = 0;
        bool ended = false;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &remaining)) {
            if (message->msg != CURLMSG_DONE) continue;
            auto entry = active.find(message->easy_handle);
            if (entry != active.end()) {
                const int curlCode = message->data.result;
                std::shared_ptr<HttpTransfer> transfer = detach(entry);
                transfer->finish(curlCode);
                // The caller has its outcome; the handle is no longer its concern.
                recycle(*transfer);
                ended = true;
            }
        }
        if (ended && active.empty() && awaitFollowUp()) continue;
        if (!runStep(GroupStep::poll, [this] { multi.poll(1000); })) failGroup();
    }
}

HttpSession::HttpSession() : HttpSession(GroupFault{}) {}

HttpSession::HttpSession(GroupFault fault) : loop_(std::make_unique<Loop>(std::move(fault))) {
    loop_->thread = std::thread([loop = loop_.get()] { loop->run(); });
}

HttpSession::~HttpSession() {
    loop_->stop();
    loop_->thread.join();
}

HttpResponseHead HttpSession::stream(const HttpRequest& request, HttpStreamHandler& handler,
                                     std::stop_token stop) {
    if (!request.url.isHTTP()) throw URLError(URLError::unsupportedURL);
    if (stop.stop_requested()) throw URLError(URLError::cancelled);
    auto transfer = std::make_shared<HttpTransfer>(request, handler, loop_->takeHandle());

    struct ResumeBinding {
        HttpStreamHandler& handler;
        ~ResumeBinding() { handler.bindResume({}); }
    } binding{handler};
    handler.bindResume(
        [loop = loop_.get(), weak = std::weak_ptr<HttpTransfer>(transfer)] { loop->requestResume(weak); });

    loop_->submit(transfer);
    std::stop_callback onStop(stop, [this, &transfer] {
        transfer->requestCancel();
        loop_->multi.wakeup();
    });
    return transfer->waitForOutcome();
}

void HttpSession::cancelAll() noexcept {
    {
        std::lock_guard lock(loop_->mutex);
        loop_->cancelBelow = loop_->nextSerial;
    }
    loop_->multi.wakeup();
}

void HttpSession::invalidate() noexcept {
    {
        std::lock_guard lock(loop_->mutex);
        loop_->invalidated = true;
        loop_->cancelBelow = loop_->nextSerial;
    }
    loop_->multi.wakeup();
}

} // namespace sorvalind
