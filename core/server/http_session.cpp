#include "server/http_session.h"

#include "platform/curl/multi.h"
#include "server/http_transfer.h"

#include <map>
#include <thread>
#include <vector>

namespace sorvalind {

// The session's thread and what it shares with callers. `mutex` guards the
// fields up to `stopping`; `active` belongs to the loop thread alone.
struct HttpSession::Loop {
    Multi multi;
    std::mutex mutex;
    std::vector<std::shared_ptr<HttpTransfer>> incoming;
    std::vector<std::weak_ptr<HttpTransfer>> resumes;
    std::uint64_t nextSerial = 1;
    std::uint64_t cancelBelow = 0;
    bool invalidated = false;
    bool stopping = false;

    std::map<CURL*, std::shared_ptr<HttpTransfer>> active;
    std::thread thread;

    void run() noexcept;
    void submit(const std::shared_ptr<HttpTransfer>& transfer);
    void requestResume(std::weak_ptr<HttpTransfer> transfer);
    void end(std::map<CURL*, std::shared_ptr<HttpTransfer>>::iterator entry, int curlCode,
             bool cancelled) noexcept;
};

void HttpSession::Loop::submit(const std::shared_ptr<HttpTransfer>& transfer) {
    {
        std::lock_guard lock(mutex);
        if (invalidated || stopping) throw URLError(URLError::cancelled);
        transfer->serial = nextSerial++;
        incoming.push_back(transfer);
    }
    multi.wakeup();
}

void HttpSession::Loop::requestResume(std::weak_ptr<HttpTransfer> transfer) {
    {
        std::lock_guard lock(mutex);
        resumes.push_back(std::move(transfer));
    }
    multi.wakeup();
}

void HttpSession::Loop::end(std::map<CURL*, std::shared_ptr<HttpTransfer>>::iterator entry, int curlCode,
                            bool cancelled) noexcept {
    std::shared_ptr<HttpTransfer> transfer = entry->second;
    active.erase(entry);
    try {
        multi.remove(transfer->easy());
    } catch (...) {
        // The handle is gone from the group either way once the transfer is dropped.
    }
    if (cancelled)
        transfer->finishWithCode(URLError::cancelled);
    else
        transfer->finish(curlCode);
}

void HttpSession::Loop::run() noexcept {
    while (true) {
        std::vector<std::shared_ptr<HttpTransfer>> adding;
        std::vector<std::weak_ptr<HttpTransfer>> resuming;
        std::uint64_t below = 0;
        bool stop = false;
        {
            std::lock_guard lock(mutex);
            adding.swap(incoming);
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
        for (auto it = active.begin(); it != active.end();) {
            auto next = std::next(it);
            if (dropped(*it->second)) end(it, CURLE_OK, true);
            it = next;
        }
        if (stop) return;
        for (auto& weak : resuming) {
            std::shared_ptr<HttpTransfer> transfer = weak.lock();
            if (transfer && active.count(transfer->easy())) transfer->resumeDelivery();
        }

        try {
            multi.perform();
        } catch (...) {
            // A failing group leaves its transfers to their own timeouts.
        }
        int remaining = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &remaining)) {
            if (message->msg != CURLMSG_DONE) continue;
            auto entry = active.find(message->easy_handle);
            if (entry != active.end()) end(entry, message->data.result, false);
        }
        try {
            multi.poll(1000);
        } catch (...) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

HttpSession::HttpSession() : loop_(std::make_unique<Loop>()) {
    loop_->thread = std::thread([loop = loop_.get()] { loop->run(); });
}

HttpSession::~HttpSession() {
    {
        std::lock_guard lock(loop_->mutex);
        loop_->stopping = true;
    }
    loop_->multi.wakeup();
    loop_->thread.join();
}

HttpResponseHead HttpSession::stream(const HttpRequest& request, HttpStreamHandler& handler,
                                     std::stop_token stop) {
    if (!request.url.isHTTP()) throw URLError(URLError::unsupportedURL);
    if (stop.stop_requested()) throw URLError(URLError::cancelled);
    auto transfer = std::make_shared<HttpTransfer>(request, handler);

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
