// Artwork cache throughput: 200 distinct covers (600 x 600 JPEG) requested
// as thumbnails by 16 threads at once, each asking for every cover, from the
// loopback fake server through the cache's three tiers:
//   cold         empty folder and memory: every cover downloaded and decoded once;
//   warm (disk)  a new cache over the same folder: no download, every cover decoded once;
//   warm (memory) 40 covers already decoded: neither download nor decode.
// Each phase prints requests per second (best of three rounds, each on a new
// folder or cache), and the two that do real work print their ratio to bare
// floors measured in the same run: the same downloads or file reads and
// decodes done straight, without the cache, on as many threads as the
// cache's worker pool has, once dropping each thumbnail and once keeping them
// all. Last, the peak resident set while the caches ran.
#include "best_time.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "model/artwork_cache.h"
#include "platform/crypto/digest.h"
#include "platform/qt_image_decoder.h"
#include "runtime/thread_executor.h"
#include "support/paths.h"

#include <QBuffer>
#include <QImage>

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

namespace sorvalind {
namespace {

constexpr int kCovers = 200;
constexpr int kThreads = 16;
constexpr int kMemoryCovers = 40;
constexpr int kWorkers = 8;
constexpr int kRounds = 3;

// Counts the decodes that reach the real decoder.
class CountingDecoder final : public ImageDecoder {
public:
    std::optional<ImageSize> declaredSize(std::span<const std::uint8_t> bytes) const override {
        return inner_.declaredSize(bytes);
    }
    int decodes() const noexcept { return decodes_.load(); }

protected:
    DecodedImagePointer decodeChecked(std::span<const std::uint8_t> bytes, const ImageSize&,
                                      const ImageSize& target) const override {
        ++decodes_;
        return inner_.thumbnail(bytes, static_cast<int>(std::max(target.width, target.height)));
    }

private:
    QtImageDecoder inner_;
    mutable std::atomic<int> decodes_ = 0;
};

std::string coverId(int index) {
    return "al-" + std::to_string(index);
}

std::string jpeg(int index) {
    QImage image(600, 600, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(index * 360 / kCovers, 200, 220));
    for (int y = 0; y < 600; y += 20) // some detail, so the file is not trivial
        for (int x = (y / 20 % 2) * 20; x < 600; x += 40)
            image.setPixel(x, y, qRgb(index % 256, 255 - index % 256, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes.toStdString();
}

// Runs `work(thread)` on `count` threads at once; seconds spent.
template <class Work> double onThreads(Work work, int count = kThreads) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t)
        threads.emplace_back([&, t] { work(t); });
    for (std::thread& thread : threads)
        thread.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every thread asks for all `covers` thumbnails, each starting at its own
// offset, and waits for its answers; returns seconds and counts misses.
double requestAll(ArtworkCache& cache, const std::shared_ptr<APIClient>& api, int covers, int& misses) {
    std::atomic<int> missing = 0;
    const double seconds = onThreads([&](int thread) {
        std::mutex mutex;
        std::condition_variable answered;
        int pending = covers;
        for (int i = 0; i < covers; ++i) {
            cache.image(coverId((i + thread * covers / kThreads) % covers), api,
                        [&](DecodedImagePointer image) {
                            if (!image) ++missing;
                            std::lock_guard lock(mutex);
                            if (--pending == 0) answered.notify_one();
                        });
        }
        std::unique_lock lock(mutex);
        answered.wait(lock, [&] { return pending == 0; });
    });
    misses = missing.load();
    return seconds;
}

void shutDown(ArtworkCache& cache) {
    std::promise<void> done;
    SerialQueue queue("bench-shutdown");
    cache.shutdown().whenFinished(queue, [&](const Outcome<void>&) { done.set_value(); });
    done.get_future().wait();
}

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The best times of a floor, dropping and keeping its results.
struct Floor {
    double dropped = 1e9;
    double kept = 1e9;
    void add(bool keep, double seconds) {
        (keep ? kept : dropped) = std::min(keep ? kept : dropped, seconds);
    }
};

void report(const char* phase, int requests, double seconds, int downloads, int decodes, int misses,
            const Floor* floor) {
    std::printf("%-14s %6d requests  %9.0f requests/s  downloads %3d  decodes %3d  misses %d", phase,
                requests, requests / seconds, downloads, decodes, misses);
    if (floor)
        std::printf("\n               %.3f s against bare floors of %.3f s (results dropped, ratio %.2f) and "
                    "%.3f s (results kept, ratio %.2f)",
                    seconds, floor->dropped, seconds / floor->dropped, floor->kept, seconds / floor->kept);
    std::printf("\n");
}

int run() {
    loopback::FakeSubsonicServer server;
    std::vector<std::string> covers;
    for (int i = 0; i < kCovers; ++i) {
        covers.push_back(jpeg(i));
        server.setCoverArt(coverId(i), covers.back());
    }
    test::TempDir dir;
    WorkerPool workers(kWorkers, "artwork-bench");
    SerialQueue mainActor("bench-main");
    auto api = std::make_shared<APIClient>(ServerConfiguration(server.baseUrl(), "alice", true), "sesame",
                                           mainActor, NetworkSecurity::session());
    const QtImageDecoder bare;

    // Floors: the same downloads and decodes, and the same reads and decodes,
    // split over as many threads as the cache's pool has; once dropping each
    // thumbnail at once (its memory is reused hot), once keeping them all
    // until the phase ends (fresh memory for each, as a cache needs, though
    // the cache keeps only 32 MiB of them).
    const std::filesystem::path floorFolder = dir.path() / "floor";
    std::filesystem::create_directories(floorFolder);
    // Qt loads its image plug-ins on the first decode: not part of any figure.
    bare.thumbnail(std::span(reinterpret_cast<const std::uint8_t*>(covers[0].data()), covers[0].size()), 400);
    const int requests = kCovers * kThreads;
    double best[3] = {1e9, 1e9, 1e9};
    // Counts of the last round: downloads, decodes and misses per phase.
    int counts[3][3] = {};
    for (int round = 0; round < kRounds; ++round) {
        // One round: cold into a new folder, then a new cache over it, then
        // a third that is warmed with a few covers first.
        const std::filesystem::path folder = dir.path() / ("Artwork-" + std::to_string(round));
        const bool last = round + 1 == kRounds;
        int misses = 0;
        server.clearRequests();
        {
            auto decoder = std::make_shared<CountingDecoder>();
            auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
            best[0] = std::min(best[0], requestAll(*cache, api, kCovers, misses));
            if (last)
                counts[0][0] = static_cast<int>(server.requestCount("getCoverArt")),
                counts[0][1] = decoder->decodes(), counts[0][2] = misses;
            shutDown(*cache);
        }
        server.clearRequests();
        {
            auto decoder = std::make_shared<CountingDecoder>();
            auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
            best[1] = std::min(best[1], requestAll(*cache, api, kCovers, misses));
            if (last)
                counts[1][0] = static_cast<int>(server.requestCount("getCoverArt")),
                counts[1][1] = decoder->decodes(), counts[1][2] = misses;
            shutDown(*cache);
        }
        {
            auto decoder = std::make_shared<CountingDecoder>();
            auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
            requestAll(*cache, nullptr, kMemoryCovers, misses);
            const int before = decoder->decodes();
            best[2] = std::min(best[2], requestAll(*cache, nullptr, kMemoryCovers, misses));
            if (last)
                counts[2][0] = static_cast<int>(server.requestCount("getCoverArt")),
                counts[2][1] = decoder->decodes() - before, counts[2][2] = misses;
            shutDown(*cache);
        }
    }
    // Before the floors, which keep far more than the cache does.
    const long cachePeakKiB = peakResidentKiB();

    auto floor = [&](auto bytesOf, bool keep) {
        std::vector<std::string> kept(kCovers);
        std::vector<DecodedImagePointer> thumbnails(kCovers);
        return onThreads(
            [&](int thread) {
                for (int i = thread; i < kCovers; i += kWorkers) {
                    kept[i] = bytesOf(i);
                    const std::span<const std::uint8_t> span(
                        reinterpret_cast<const std::uint8_t*>(kept[i].data()), kept[i].size());
                    DecodedImagePointer thumbnail = bare.thumbnail(span, 400);
                    if (!thumbnail) std::abort();
                    if (keep) thumbnails[i] = std::move(thumbnail);
                }
            },
            kWorkers);
    };
    auto download = [&](int i) {
        HttpRequest request = api->authenticatedRequest("getCoverArt", {{"id", coverId(i)}, {"size", "400"}});
        HttpResponse response = api->session()->perform(request);
        std::ofstream(floorFolder / sha256Hex(coverId(i)), std::ios::binary) << response.body;
        return std::move(response.body);
    };
    auto read = [&](int i) { return test::readFile(floorFolder / sha256Hex(coverId(i))); };
    Floor downloadFloor, diskFloor;
    for (int round = 0; round < kRounds; ++round) {
        for (bool keep : {false, true}) {
            downloadFloor.add(keep, floor(download, keep));
            diskFloor.add(keep, floor(read, keep));
        }
    }
    server.clearRequests();

    report("cold", requests, best[0], counts[0][0], counts[0][1], counts[0][2], &downloadFloor);
    report("warm (disk)", requests, best[1], counts[1][0], counts[1][1], counts[1][2], &diskFloor);
    report("warm (memory)", kMemoryCovers * kThreads, best[2], counts[2][0], counts[2][1], counts[2][2],
           nullptr);
    const std::span<const std::uint8_t> one(reinterpret_cast<const std::uint8_t*>(covers[1].data()),
                                            covers[1].size());
    const double check = bench::bestSecondsPerCall(5, 50, [&] {
        if (!bare.isDecodable(one)) std::abort();
    });
    const double decode = bench::bestSecondsPerCall(5, 20, [&] {
        if (!bare.thumbnail(one, 400)) std::abort();
    });
    std::printf("one cover: header check %.1f us, thumbnail decode %.1f us\n", check * 1e6, decode * 1e6);
    std::printf("peak resident set while the caches ran: %.1f MiB\n", cachePeakKiB / 1024.0);
    return 0;
}

} // namespace
} // namespace sorvalind

int main() {
    return sorvalind::run();
}
