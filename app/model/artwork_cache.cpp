#include "model/artwork_cache.h"

#include <new>
#include <utility>

namespace sorvalind {
namespace {

// Work for an executor that may drop it unrun (while shutting down): then
// `dropped` runs instead, on the dropping thread, so that whoever waits for
// the work still hears of its end.
template <class Run, class Dropped> Task guardedWork(Run run, Dropped dropped) {
    struct Job {
        Run run;
        Dropped dropped;
        bool ran = false;
        ~Job() {
            if (!ran) dropped();
        }
    };
    return [job = std::make_unique<Job>(std::move(run), std::move(dropped))] {
        job->ran = true;
        job->run();
    };
}

template <class Map> auto take(Map& map, const std::string& key) {
    typename Map::mapped_type value{};
    if (auto found = map.find(key); found != map.end()) {
        value = std::move(found->second);
        map.erase(found);
    }
    return value;
}

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

std::shared_ptr<ArtworkCache> ArtworkCache::make(std::filesystem::path root, Executor& workers,
                                                 const SteadyClock& clock,
                                                 std::shared_ptr<const ImageDecoder> decoder) {
    return std::shared_ptr<ArtworkCache>(
        new ArtworkCache(std::move(root), workers, clock, std::move(decoder)));
}

ArtworkCache::ArtworkCache(std::filesystem::path root, Executor& workers, const SteadyClock& clock,
                           std::shared_ptr<const ImageDecoder> decoder)
    : folder_(std::move(root)), workers_(workers), clock_(clock), decoder_(std::move(decoder)),
      permits_(workers) {}

bool ArtworkCache::isValidImage(std::span<const std::uint8_t> bytes) const {
    return bytes.size() < kMaxImageBytes && decoder_->isDecodable(bytes);
}

DecodedImagePointer ArtworkCache::cachedImage(const std::string& id) const {
    if (isShutdown_.load()) return nullptr;
    return images_.get(id);
}

// Deliveries ------------------------------------------------------------------

void ArtworkCache::run(Actions& actions) {
    for (Task& action : actions)
        action();
    actions.clear();
}

void ArtworkCache::deliver(Actions& after, DataWaiter waiter, ArtworkBytes bytes) {
    after.emplace_back([waiter = std::move(waiter), bytes = std::move(bytes)]() mutable {
        if (!waiter.target) return waiter.done(std::move(bytes));
        waiter.target->post([done = std::move(waiter.done), bytes = std::move(bytes)] { done(bytes); });
    });
}

void ArtworkCache::deliver(Actions& after, ImageWaiter waiter, DecodedImagePointer image) {
    after.emplace_back([waiter = std::move(waiter), image = std::move(image)]() mutable {
        if (!waiter.target) return waiter.done(std::move(image));
        waiter.target->post([done = std::move(waiter.done), image = std::move(image)] { done(image); });
    });
}

// Encoded bytes -----------------------------------------------------------------

void ArtworkCache::data(const std::string& id, std::shared_ptr<APIClient> api, Executor& target,
                        DataCompletion done) {
    requestData(id, DataWaiter{std::move(api), &target, std::move(done)});
}

void ArtworkCache::data(const std::string& id, std::shared_ptr<APIClient> api, DataCompletion done) {
    requestData(id, DataWaiter{std::move(api), nullptr, std::move(done)});
}

void ArtworkCache::requestData(const std::string& id, DataWaiter waiter) {
    Actions after;
    {
        std::lock_guard lock(mutex_);
        if (isShutdown_) {
            deliver(after, std::move(waiter), nullptr);
        } else if (ArtworkBytes bytes = memory_.get(id)) {
            deliver(after, std::move(waiter), std::move(bytes));
        } else {
            auto [entry, first] = diskReads_.try_emplace(id);
            entry->second.push_back(std::move(waiter));
            if (first) {
                ++outstanding_;
                after.emplace_back([self = shared_from_this(), id] { self->startDiskRead(id); });
            }
        }
    }
    run(after);
}

void ArtworkCache::startDiskRead(const std::string& id) {
    auto self = shared_from_this();
    workers_.post(guardedWork(
        [self, id] {
            auto valid = [&](std::span<const std::uint8_t> bytes) { return self->isValidImage(bytes); };
            ArtworkBytes bytes;
            try {
                bytes = self->folder_.read(id, kMaxImageBytes - 1, valid);
            } catch (const std::bad_alloc&) {
                // No room for the file now: a miss, like an unreadable one.
            }
            self->finishDiskRead(id, std::move(bytes));
        },
        [self, id] { self->finishDiskRead(id, nullptr); }));
}

void ArtworkCache::finishDiskRead(const std::string& id, ArtworkBytes bytes) {
    Actions after;
    {
        std::lock_guard lock(mutex_);
        std::vector<DataWaiter> waiters = take(diskReads_, id);
        if (bytes && !isShutdown_) memory_.insert(id, bytes, bytes->size());
        for (DataWaiter& waiter : waiters)
            continueAfterDisk(after, id, std::move(waiter), bytes);
        endWorkLocked(after);
    }
    run(after);
}

void ArtworkCache::continueAfterDisk(Actions& after, const std::string& id, DataWaiter waiter,
                                     const ArtworkBytes& bytes) {
    if (isShutdown_) return deliver(after, std::move(waiter), nullptr);
    if (bytes) return deliver(after, std::move(waiter), bytes);
    // Another request may have stored it while the file was read.
    if (ArtworkBytes cached = memory_.get(id)) return deliver(after, std::move(waiter), std::move(cached));
    if (!waiter.api) return deliver(after, std::move(waiter), nullptr);
    if (auto running = inFlight_.find(id); running != inFlight_.end()) {
        running->second.waiters.push_back(std::move(waiter));
        return;
    }
    if (auto suppressed = retryAfter_.find(id);
        suppressed != retryAfter_.end() && clock_.now() < suppressed->second)
        return deliver(after, std::move(waiter), nullptr);

    Download& started = inFlight_[id];
    std::shared_ptr<APIClient> api = waiter.api;
    started.waiters.push_back(std::move(waiter));
    ++outstanding_;
    after.emplace_back([self = shared_from_this(), id, api = std::move(api),
                        stop = started.stop.get_token()] { self->startDownload(id, api, stop); });
}

void ArtworkCache::startDownload(const std::string& id, std::shared_ptr<APIClient> api,
                                 std::stop_token stop) {
    auto self = shared_from_this();
    permits_.acquire(guardedWork(
        [self, id, api = std::move(api), stop = std::move(stop)] {
            ArtworkBytes bytes = self->download(id, *api, stop);
            self->permits_.release();
            self->finishDownload(id, std::move(bytes));
        },
        [self, id] {
            self->permits_.release();
            self->finishDownload(id, nullptr);
        }));
}

ArtworkBytes ArtworkCache::download(const std::string& id, APIClient& api,
                                    const std::stop_token& stop) const {
    if (stop.stop_requested()) return nullptr;
    try {
        HttpRequest request = api.authenticatedRequest("getCoverArt", {{"id", id}, {"size", "400"}});
        request.idleTimeout = kRequestTimeout;
        request.connectTimeout = kRequestTimeout;
        // A longer body is refused anyway: stop reading it there.
        request.maxBodyBytes = kMaxImageBytes - 1;
        const HttpResponse response = api.session()->perform(request, stop);
        const std::span<const std::uint8_t> body = bytesOf(response.body);
        if (response.status() != 200 || !isValidImage(body)) return nullptr;
        if (stop.stop_requested() || !folder_.write(id, body)) return nullptr;
        return std::make_shared<const std::vector<std::uint8_t>>(body.begin(), body.end());
    } catch (...) {
        // Every failure, cancellation included, is a miss.
        return nullptr;
    }
}

void ArtworkCache::finishDownload(const std::string& id, ArtworkBytes bytes) {
    Actions after;
    {
        std::lock_guard lock(mutex_);
        Download finished = take(inFlight_, id);
        if (isShutdown_) {
            bytes = nullptr;
        } else if (bytes) {
            memory_.insert(id, bytes, bytes->size());
            retryAfter_.erase(id);
        } else {
            const SteadyTime now = clock_.now();
            std::erase_if(retryAfter_, [&](const auto& entry) { return entry.second <= now; });
            retryAfter_[id] = now + kRetryDelay;
        }
        for (DataWaiter& waiter : finished.waiters)
            deliver(after, std::move(waiter), bytes);
        endWorkLocked(after);
    }
    run(after);
}

// Decoded images ----------------------------------------------------------------

void ArtworkCache::image(const std::string& id, std::shared_ptr<APIClient> api, Executor& target,
                         ImageCompletion done) {
    requestImage(id, std::move(api), ImageWaiter{&target, std::move(done)});
}

void ArtworkCache::image(const std::string& id, std::shared_ptr<APIClient> api, ImageCompletion done) {
    requestImage(id, std::move(api), ImageWaiter{nullptr, std::move(done)});
}

void ArtworkCache::requestImage(const std::string& id, std::shared_ptr<APIClient> api, ImageWaiter waiter) {
    if (isShutdown_) {
        Actions after;
        deliver(after, std::move(waiter), nullptr);
        return run(after);
    }
    if (DecodedImagePointer image = images_.get(id)) {
        Actions after;
        deliver(after, std::move(waiter), std::move(image));
        return run(after);
    }
    requestData(id,
                DataWaiter{std::move(api), nullptr,
                           [self = shared_from_this(), id, waiter = std::move(waiter)](ArtworkBytes bytes) {
                               self->continueImage(id, waiter, std::move(bytes));
                           }});
}

void ArtworkCache::continueImage(const std::string& id, ImageWaiter waiter, ArtworkBytes bytes) {
    Actions after;
    {
        std::lock_guard lock(mutex_);
        if (!bytes || isShutdown_) {
            deliver(after, std::move(waiter), nullptr);
        } else if (DecodedImagePointer image = images_.get(id)) {
            deliver(after, std::move(waiter), std::move(image));
        } else {
            auto [entry, first] = decoding_.try_emplace(id);
            entry->second.waiters.push_back(std::move(waiter));
            if (first) {
                ++outstanding_;
                after.emplace_back(
                    [self = shared_from_this(), id, bytes = std::move(bytes),
                     stop = entry->second.stop.get_token()] { self->startDecode(id, bytes, stop); });
            }
        }
    }
    run(after);
}

void ArtworkCache::startDecode(const std::string& id, ArtworkBytes bytes, std::stop_token stop) {
    auto self = shared_from_this();
    workers_.post(guardedWork(
        [self, id, bytes = std::move(bytes), stop = std::move(stop)] {
            DecodedImagePointer image;
            try {
                if (!stop.stop_requested()) image = self->decoder_->thumbnail(*bytes, kThumbnailPixelSize);
            } catch (const std::bad_alloc&) {
                // No room for the pixels now: a failed decode, tried again next time.
            }
            self->finishDecode(id, std::move(image));
        },
        [self, id] { self->finishDecode(id, nullptr); }));
}

void ArtworkCache::finishDecode(const std::string& id, DecodedImagePointer image) {
    Actions after;
    {
        std::lock_guard lock(mutex_);
        Decode finished = take(decoding_, id);
        if (isShutdown_) image = nullptr;
        // A failed decode is not remembered: the next request tries again.
        if (image) images_.insert(id, image, image->byteCount());
        for (ImageWaiter& waiter : finished.waiters)
            deliver(after, std::move(waiter), image);
        endWorkLocked(after);
    }
    run(after);
}

// Shutdown ------------------------------------------------------------------------

TaskHandle ArtworkCache::shutdown() {
    Actions after;
    TaskHandle handle;
    {
        std::lock_guard lock(mutex_);
        if (!isShutdown_) {
            isShutdown_ = true;
            // Downloads first, then decodes; disk reads are short and run out.
            for (auto& [id, running] : inFlight_)
                after.emplace_back([stop = running.stop]() mutable { stop.request_stop(); });
            for (auto& [id, running] : decoding_)
                after.emplace_back([stop = running.stop]() mutable { stop.request_stop(); });
            memory_.clear();
            images_.clear();
            shutdownSource_.emplace();
            shutdownHandle_ = shutdownSource_->handle();
            if (outstanding_ == 0) {
                ++outstanding_;
                endWorkLocked(after);
            }
        }
        handle = shutdownHandle_;
    }
    run(after);
    return handle;
}

void ArtworkCache::endWorkLocked(Actions& after) {
    --outstanding_;
    if (!isShutdown_ || outstanding_ != 0 || !shutdownSource_) return;
    diskReads_.clear();
    inFlight_.clear();
    decoding_.clear();
    retryAfter_.clear();
    memory_.clear();
    images_.clear();
    after.emplace_back(
        [source = std::move(*shutdownSource_)]() mutable { source.finish(Outcome<void>::success()); });
    shutdownSource_.reset();
}

} // namespace sorvalind
