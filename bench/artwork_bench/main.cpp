// Artwork cache throughput: 200 distinct covers (600 x 600 JPEG) requested
// as thumbnails by 16 threads at once, each asking for every cover, from the
// loopback fake server through the cache's three tiers:
//   cold         empty folder and memory: every cover downloaded and decoded once;
//   warm (disk)  a new cache over the same folder: no download, every cover decoded once;
//   warm (memory) 40 covers already decoded: neither download nor decode.
// Each phase prints requests per second (best of three rounds, each on a new
// folder or cache), and the two that do real work print their ratio to a bare
// floor measured in the same run: the same downloads or file reads and
// decodes done straight, without the cache, on as many threads as the
// cache's worker pool has. Last, the peak resident set of the process.
#include "best_time.h"
#include "model/artwork_cache.h"
#include "platform/crypto/digest.h"
#include "platform/qt_image_decoder.h"
#include "runtime/thread_executor.h"
#include "server/network_security.h"
#include "support/fake_subsonic_server.h"
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

void report(const char* phase, int requests, double seconds, int downloads, int decodes, int misses,
            double floorSeconds) {
    std::printf("%-14s %6d requests  %9.0f requests/s  downloads %3d  decodes %3d  misses %d", phase,
                requests, requests / seconds, downloads, decodes, misses);
    if (floorSeconds > 0)
        std::printf("  %.3f s against a bare floor of %.3f s: ratio %.2f", seconds, floorSeconds,
                    seconds / floorSeconds);
    std::printf("\n");
}

int run() {
    test::FakeSubsonicServer server;
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
    // split over the threads without the cache.
    const std::filesystem::path floorFolder = dir.path() / "floor";
    std::filesystem::create_directories(floorFolder);
    // Qt loads its image plug-ins on the first decode: not part of any figure.
    bare.thumbnail(std::span(reinterpret_cast<const std::uint8_t*>(covers[0].data()), covers[0].size()), 400);
    double downloadFloor = 1e9, diskFloor = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        downloadFloor = std::min(
            downloadFloor,
            onThreads(
                [&](int thread) {
                    for (int i = thread; i < kCovers; i += kWorkers) {
                        HttpRequest request =
                            api->authenticatedRequest("getCoverArt", {{"id", coverId(i)}, {"size", "400"}});
                        const HttpResponse response = api->session()->perform(request);
                        const std::span<const std::uint8_t> body(
                            reinterpret_cast<const std::uint8_t*>(response.body.data()),
                            response.body.size());
                        std::ofstream(floorFolder / sha256Hex(coverId(i)), std::ios::binary) << response.body;
                        if (!bare.thumbnail(body, 400)) std::abort();
                    }
                },
                kWorkers));
        diskFloor = std::min(diskFloor, onThreads(
                                            [&](int thread) {
                                                for (int i = thread; i < kCovers; i += kWorkers) {
                                                    const std::string bytes =
                                                        test::readFile(floorFolder / sha256Hex(coverId(i)));
                                                    const std::span<const std::uint8_t> span(
                                                        reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                        bytes.size());
                                                    if (!bare.thumbnail(span, 400)) std::abort();
                                                }
                                            },
                                            kWorkers));
    }
    server.clearRequests();

    const std::filesystem::path folder = dir.path() / "Artwork";
    const int requests = kCovers * kThreads;
    int misses = 0;
    {
        auto decoder = std::make_shared<CountingDecoder>();
        auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
        const double seconds = requestAll(*cache, api, kCovers, misses);
        report("cold", requests, seconds, static_cast<int>(server.requestCount("getCoverArt")),
               decoder->decodes(), misses, downloadFloor);
        shutDown(*cache);
    }
    server.clearRequests();
    {
        auto decoder = std::make_shared<CountingDecoder>();
        auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
        const double seconds = requestAll(*cache, api, kCovers, misses);
        report("warm (disk)", requests, seconds, static_cast<int>(server.requestCount("getCoverArt")),
               decoder->decodes(), misses, diskFloor);
        shutDown(*cache);
    }
    {
        auto decoder = std::make_shared<CountingDecoder>();
        auto cache = ArtworkCache::make(folder, workers, systemSteadyClock(), decoder);
        requestAll(*cache, nullptr, kMemoryCovers, misses);
        const int before = decoder->decodes();
        const double seconds = requestAll(*cache, nullptr, kMemoryCovers, misses);
        report("warm (memory)", kMemoryCovers * kThreads, seconds,
               static_cast<int>(server.requestCount("getCoverArt")), decoder->decodes() - before, misses, 0);
        shutDown(*cache);
    }
    const std::span<const std::uint8_t> one(reinterpret_cast<const std::uint8_t*>(covers[1].data()),
                                            covers[1].size());
    const double check = bench::bestSecondsPerCall(5, 50, [&] {
        if (!bare.isDecodable(one)) std::abort();
    });
    const double decode = bench::bestSecondsPerCall(5, 20, [&] {
        if (!bare.thumbnail(one, 400)) std::abort();
    });
    std::printf("one cover: header check %.1f us, thumbnail decode %.1f us\n", check * 1e6, decode * 1e6);
    std::printf("peak resident set: %.1f MiB\n", peakResidentKiB() / 1024.0);
    return 0;
}

} // namespace
} // namespace sorvalind

int main() {
    return sorvalind::run();
}
