#pragma once
// Cover art by the server's cover-art identifier, as the encoded bytes the
// server sent or as a decoded thumbnail, from three tiers in a fixed order:
// memory, the per-server "Artwork" folder on disk, and the server itself.
//
// - Memory: encoded bytes bounded at 32 MiB by their byte count, decoded
//   thumbnails (at most 400 pixels on the longer side) at 32 MiB by bytes per
//   line times height. cachedImage() reads the second from any thread.
// - Requests for one identifier are merged: at most one disk read, one
//   download and one decode of it run at a time, and every caller waiting
//   for it gets the same result.
// - Downloads ask for "getCoverArt" at size 400 through the client's own
//   transport, so switching the client's network access off ends them; at
//   most four run at once, first come first served. Nothing is kept or served
//   that is not a decodable image under 8 MiB (bomb-sized dimensions
//   included). A failed download suppresses further downloads of that
//   identifier for 300 s on the steady clock.
// - Without a client only memory and disk are consulted.
//
// Completions: every request completes exactly once, with null for any
// failure, a miss or a cache shut down. With a target executor the completion
// is posted there; without one it runs on whichever thread finishes the
// request (a worker, or the caller for a memory hit) and must return
// promptly.
//
// Threads: every member may be called from any thread. Disk reads, downloads
// and decodes run on the given worker executor; a download occupies one of
// its threads while it transfers, so the executor should have more than four.
// Keep the workers, the target executors and the clients alive until
// shutdown() has finished. Nothing throws but std::bad_alloc.

#include "model/artwork_folder.h"
#include "model/artwork_permits.h"
#include "model/cost_cache.h"
#include "model/image_decoder.h"
#include "runtime/clock.h"
#include "runtime/executor.h"
#include "runtime/task_handle.h"
#include "server/api_client.h"
#include "services/now_playing_center.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

namespace sorvalind {

class ArtworkCache : public std::enable_shared_from_this<ArtworkCache> {
public:
    using DataCompletion = std::function<void(ArtworkBytes)>;
    using ImageCompletion = std::function<void(DecodedImagePointer)>;

    static constexpr std::size_t kMemoryCostLimit = 32 * 1024 * 1024;
    static constexpr std::size_t kImageCostLimit = 32 * 1024 * 1024;
    // Encoded pictures of this size or more are refused.
    static constexpr std::size_t kMaxImageBytes = 8 * 1024 * 1024;
    static constexpr int kThumbnailPixelSize = 400;
    static constexpr std::chrono::seconds kRetryDelay{300};
    static constexpr std::chrono::seconds kRequestTimeout{15};

    // `root` is the disk folder (made on the first write); `clock` times the
    // download suppression.
    static std::shared_ptr<ArtworkCache> make(std::filesystem::path root, Executor& workers,
                                              const SteadyClock& clock,
                                              std::shared_ptr<const ImageDecoder> decoder);
    ArtworkCache(const ArtworkCache&) = delete;
    ArtworkCache& operator=(const ArtworkCache&) = delete;

    // The decoded thumbnail if memory holds it; never waits for other work.
    DecodedImagePointer cachedImage(const std::string& id) const;

    // The encoded bytes as the server sent them.
    void data(const std::string& id, std::shared_ptr<APIClient> api, Executor& target, DataCompletion done);
    void data(const std::string& id, std::shared_ptr<APIClient> api, DataCompletion done);

    // The decoded thumbnail.
    void image(const std::string& id, std::shared_ptr<APIClient> api, Executor& target, ImageCompletion done);
    void image(const std::string& id, std::shared_ptr<APIClient> api, ImageCompletion done);

    // Shuts the cache down for good: every waiting and later request
    // completes with null, downloads and decodes under way are cancelled,
    // both memory tiers are emptied (the files stay). The handle ends once
    // every piece of work has ended. Idempotent.
    TaskHandle shutdown();

    // Bytes an image must pass to be kept or served: under 8 MiB and
    // decodable within the decoder's budget.
    bool isValidImage(std::span<const std::uint8_t> bytes) const;

private:
    struct DataWaiter {
        std::shared_ptr<APIClient> api;
        Executor* target = nullptr;
        DataCompletion done;
    };
    struct ImageWaiter {
        Executor* target = nullptr;
        ImageCompletion done;
    };
    struct Download {
        std::stop_source stop;
        std::vector<DataWaiter> waiters;
    };
    struct Decode {
        std::stop_source stop;
        std::vector<ImageWaiter> waiters;
    };
    // What a locked step leaves to do once the lock is released: deliveries,
    // posts and stop requests, which may run foreign code.
    using Actions = std::vector<Task>;

    ArtworkCache(std::filesystem::path root, Executor& workers, const SteadyClock& clock,
                 std::shared_ptr<const ImageDecoder> decoder);

    static void run(Actions& actions);
    static void deliver(Actions& after, DataWaiter waiter, ArtworkBytes bytes);
    static void deliver(Actions& after, ImageWaiter waiter, DecodedImagePointer image);

    void requestData(const std::string& id, DataWaiter waiter);
    void requestImage(const std::string& id, std::shared_ptr<APIClient> api, ImageWaiter waiter);

    void startDiskRead(const std::string& id);
    void finishDiskRead(const std::string& id, ArtworkBytes bytes);
    void continueAfterDisk(Actions& after, const std::string& id, DataWaiter waiter,
                           const ArtworkBytes& bytes);
    void startDownload(const std::string& id, std::shared_ptr<APIClient> api, std::stop_token stop);
    ArtworkBytes download(const std::string& id, APIClient& api, const std::stop_token& stop) const;
    void finishDownload(const std::string& id, ArtworkBytes bytes);

    void continueImage(const std::string& id, ImageWaiter waiter, ArtworkBytes bytes);
    void startDecode(const std::string& id, ArtworkBytes bytes, std::stop_token stop);
    void finishDecode(const std::string& id, DecodedImagePointer image);

    // One piece of worker work has ended; the last one after a shutdown
    // finishes it.
    void endWorkLocked(Actions& after);

    const ArtworkFolder folder_;
    Executor& workers_;
    const SteadyClock& clock_;
    const std::shared_ptr<const ImageDecoder> decoder_;
    ArtworkPermits permits_;
    CostCache<std::vector<std::uint8_t>> memory_{kMemoryCostLimit};
    // Read by cachedImage() on any thread; the cache locks itself.
    mutable CostCache<DecodedImage> images_{kImageCostLimit};
    std::atomic<bool> isShutdown_ = false;

    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::vector<DataWaiter>> diskReads_;
    std::unordered_map<std::string, Download> inFlight_;
    std::unordered_map<std::string, SteadyTime> retryAfter_;
    std::unordered_map<std::string, Decode> decoding_;
    std::size_t outstanding_ = 0; // worker jobs posted and not yet ended
    std::optional<TaskSource> shutdownSource_;
    TaskHandle shutdownHandle_;
};

} // namespace sorvalind
