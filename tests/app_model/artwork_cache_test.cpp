// The artwork cache against the loopback server, a real folder and real
// worker threads, with the main actor and the suppression on a virtual clock.
#include "artwork_test_support.h"
#include "model/artwork_provider.h"
#include "platform/crypto/digest.h"

#include <atomic>
#include <fstream>
#include <thread>

namespace sorvalind::test {
namespace {

using Colour = FakeImageDecoder::Colour;
constexpr std::size_t kEightMiB = 8 * 1024 * 1024;

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

using ArtworkCacheTest = ArtworkFixture;

TEST_F(ArtworkCacheTest, TenConcurrentRequestsMakeOneDownloadAndOneDecode) {
    const std::string cover = FakeImageDecoder::encode(800, 600, Colour{200, 10, 10, 255});
    server.setCoverArt("al-1", cover);
    closeGate();
    std::vector<DecodedImagePointer> images;
    for (int i = 0; i < 10; ++i)
        cache->image("al-1", api, main,
                     [&](DecodedImagePointer image) { images.push_back(std::move(image)); });
    // Every caller is waiting on the one download held at the server.
    driveUntil(main, [&] { return coverRequests() == 1; });
    openGate();
    driveUntil(main, [&] { return images.size() == 10; });

    EXPECT_EQ(coverRequests(), 1u);
    EXPECT_EQ(decoder->decodes(), 1);
    ASSERT_TRUE(images.front());
    for (const DecodedImagePointer& image : images)
        EXPECT_EQ(image, images.front());
    EXPECT_EQ(images.front()->width, 400);
    EXPECT_EQ(images.front()->height, 300);
    EXPECT_EQ(cache->cachedImage("al-1"), images.front());

    const loopback::FakeRequest request = server.requests().back();
    EXPECT_EQ(request.param("id"), "al-1");
    EXPECT_EQ(request.param("size"), "400");
    // Kept on disk under the digest of the identifier, exactly as served.
    EXPECT_EQ(readFile(root / sha256Hex("al-1")), cover);
}

TEST_F(ArtworkCacheTest, AtMostFourDownloadsRunAtOnce) {
    std::mutex counts;
    int running = 0, mostRunning = 0, ended = 0;
    std::vector<int> endedBeforeStart;
    server.setMethod("getCoverArt", [&, gated = server.method("getCoverArt")](
                                        const loopback::FakeRequest& request, httplib::Response& res) {
        {
            std::lock_guard lock(counts);
            mostRunning = std::max(mostRunning, ++running);
            endedBeforeStart.push_back(ended);
        }
        gated(request, res);
        std::lock_guard lock(counts);
        --running;
        ++ended;
    });
    for (int i = 0; i < 6; ++i)
        server.setCoverArt("al-" + std::to_string(i), FakeImageDecoder::encode(64, 64));

    closeGate();
    int answered = 0;
    for (int i = 0; i < 6; ++i)
        cache->data("al-" + std::to_string(i), api, main,
                    [&](ArtworkBytes bytes) { answered += bytes != nullptr; });
    // Counted by the handler itself: the server counts a request before its
    // handler runs, so that count could let the gate open with a fourth
    // download not yet inside.
    driveUntil(main, [&] {
        std::lock_guard lock(counts);
        return running == 4;
    });
    openGate();
    driveUntil(main, [&] { return answered == 6; });

    std::lock_guard lock(counts);
    EXPECT_EQ(mostRunning, 4);
    // The fifth and sixth started only once a slot came free.
    ASSERT_EQ(endedBeforeStart.size(), 6u);
    EXPECT_GE(endedBeforeStart[4], 1);
    EXPECT_GE(endedBeforeStart[5], 2);
}

TEST_F(ArtworkCacheTest, WithoutClientOnlyMemoryAndDiskAnswer) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    writeFile(root / sha256Hex("on-disk"), cover);
    server.setCoverArt("on-server", cover);

    EXPECT_EQ(text(data("on-disk", nullptr)), cover);
    EXPECT_FALSE(data("on-server", nullptr));
    EXPECT_EQ(coverRequests(), 0u);
    // A miss without a client is no failure: a client gets it at once.
    EXPECT_EQ(text(data("on-server", api)), cover);
}

TEST_F(ArtworkCacheTest, FailedDownloadsAreSuppressedForFiveMinutes) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    struct Case {
        const char* name;
        std::function<void(ArtworkFixture&, const std::string& id)> fail;
    };
    const Case cases[] = {
        {"status 404",
         [&](ArtworkFixture& f, const std::string& id) {
             f.server.setCoverArt(id, cover);
             f.server.injectFault(loopback::FakeFault::status(404), 1, "getCoverArt");
         }},
        {"body that is no image",
         [](ArtworkFixture& f, const std::string& id) {
             f.server.setCoverArt(id, "<html>Not found</html>");
         }},
        {"unknown cover (error envelope)", [](ArtworkFixture&, const std::string&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string id = std::string("cover-") + c.name;
        server.clearRequests();
        c.fail(*this, id);
        EXPECT_FALSE(data(id, api));
        EXPECT_EQ(coverRequests(), 1u);
        EXPECT_FALSE(std::filesystem::exists(root / sha256Hex(id)));

        server.setCoverArt(id, cover);
        clock.advance(std::chrono::seconds(299));
        EXPECT_FALSE(data(id, api));
        EXPECT_EQ(coverRequests(), 1u);

        clock.advance(std::chrono::seconds(1));
        EXPECT_EQ(text(data(id, api)), cover);
        EXPECT_EQ(coverRequests(), 2u);
    }
}

TEST_F(ArtworkCacheTest, InvalidFileIsDeletedAndDownloadedAgain) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    const std::filesystem::path file = root / sha256Hex("al-2");
    writeFile(file, "not an image");
    server.setCoverArt("al-2", cover);

    EXPECT_FALSE(data("al-2", nullptr));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(text(data("al-2", api)), cover);
    EXPECT_EQ(readFile(file), cover);
}

TEST_F(ArtworkCacheTest, PicturesOfEightMiBAreRefused) {
    struct Case {
        std::size_t size;
        bool fromServer;
        bool accepted;
    };
    const Case cases[] = {
        {kEightMiB, true, false},
        {kEightMiB - 1, true, true},
        {kEightMiB, false, false},
        {kEightMiB - 1, false, true},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << (c.fromServer ? " from the server" : " on disk"));
        const std::string id = "big-" + std::to_string(index++);
        const std::string cover = FakeImageDecoder::encode(64, 64, {}, c.size);
        ASSERT_EQ(cover.size(), c.size);
        if (c.fromServer)
            server.setCoverArt(id, cover);
        else
            writeFile(root / sha256Hex(id), cover);

        const ArtworkBytes bytes = data(id, c.fromServer ? api : nullptr);
        EXPECT_EQ(bytes != nullptr, c.accepted);
        if (bytes) {
            EXPECT_EQ(bytes->size(), c.size);
        }
        EXPECT_EQ(std::filesystem::exists(root / sha256Hex(id)), c.accepted);
    }
}

TEST_F(ArtworkCacheTest, DecodedThumbnailsAreBoundedByTheirPixelBytes) {
    // 400 x 400 thumbnails take 640,000 bytes each: 32 MiB hold 52 of them.
    for (int i = 0; i < 60; ++i)
        writeFile(root / sha256Hex("al-" + std::to_string(i)), FakeImageDecoder::encode(1000, 1000));
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(image("al-" + std::to_string(i), nullptr));
    int kept = 0;
    for (int i = 0; i < 60; ++i)
        kept += cache->cachedImage("al-" + std::to_string(i)) != nullptr;
    EXPECT_EQ(kept, 52);
    EXPECT_FALSE(cache->cachedImage("al-0"));
    EXPECT_TRUE(cache->cachedImage("al-59"));

    // Asking again for a cover still held decodes nothing.
    const int decodes = decoder->decodes();
    ASSERT_TRUE(image("al-59", nullptr));
    EXPECT_EQ(decoder->decodes(), decodes);
}

TEST_F(ArtworkCacheTest, DimensionBombIsRefusedBeforeDecoding) {
    // A few bytes declaring 100,000 x 100,000 pixels: 40 GB once decoded.
    const std::string bomb = FakeImageDecoder::encode(100000, 100000);
    server.setCoverArt("bomb", bomb);
    writeFile(root / sha256Hex("bomb-on-disk"), bomb);

    EXPECT_FALSE(image("bomb", api));
    EXPECT_FALSE(data("bomb", api));
    EXPECT_FALSE(image("bomb-on-disk", nullptr));
    EXPECT_EQ(decoder->decodes(), 0);
    EXPECT_FALSE(std::filesystem::exists(root / sha256Hex("bomb")));
    EXPECT_FALSE(std::filesystem::exists(root / sha256Hex("bomb-on-disk")));
}

TEST_F(ArtworkCacheTest, NothingIsServedAfterShutdown) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    server.setCoverArt("cached", cover);
    server.setCoverArt("waiting", cover);
    ASSERT_TRUE(image("cached", api));

    closeGate();
    std::optional<DecodedImagePointer> waiting;
    cache->image("waiting", api, main, [&](DecodedImagePointer image) { waiting = std::move(image); });
    driveUntil(main, [&] { return coverRequests() == 2; });

    bool finished = false;
    cache->shutdown().whenFinished(main, [&](const Outcome<void>&) { finished = true; });
    // The download held at the server is cancelled: the waiting call ends
    // while the answer is still held.
    driveUntil(main, [&] { return finished && waiting.has_value(); });
    EXPECT_FALSE(*waiting);
    openGate();

    EXPECT_FALSE(cache->cachedImage("cached"));
    EXPECT_FALSE(image("cached", api));
    EXPECT_FALSE(data("cached", api));
    EXPECT_FALSE(data("waiting", api));
    EXPECT_EQ(coverRequests(), 2u);
    EXPECT_FALSE(std::filesystem::exists(root / sha256Hex("waiting")));
    // The files already cached stay for the next start.
    EXPECT_TRUE(std::filesystem::exists(root / sha256Hex("cached")));
}

TEST_F(ArtworkCacheTest, ThreadsAskingTogetherShareOneDecodePerCoverAndAllHearBackThroughShutdown) {
    constexpr int kCovers = 30, kThreads = 8;
    for (int i = 0; i < kCovers; ++i)
        writeFile(root / sha256Hex("al-" + std::to_string(i)), FakeImageDecoder::encode(500, 500));

    // Every thread asks for every cover (answers on the cache's own threads),
    // then keeps asking while the cache shuts down: each request is answered
    // exactly once.
    std::atomic<int> answered = 0, images = 0;
    std::atomic<bool> firstRoundDone = false;
    auto ask = [&](int thread, int round) {
        for (int i = 0; i < kCovers; ++i)
            cache->image("al-" + std::to_string((i + thread * 4) % kCovers), round == 0 ? api : nullptr,
                         [&](DecodedImagePointer image) {
                             images += image != nullptr;
                             ++answered;
                         });
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ask(t, 0);
            while (!firstRoundDone)
                std::this_thread::yield();
            for (int round = 1; round < 4; ++round) {
                ask(t, round);
                (void)cache->cachedImage("al-" + std::to_string(t));
            }
        });
    driveUntil(main, [&] { return answered >= kCovers * kThreads; });
    EXPECT_EQ(images.load(), kCovers * kThreads);
    EXPECT_EQ(decoder->decodes(), kCovers);
    EXPECT_EQ(coverRequests(), 0u);

    firstRoundDone = true;
    bool finished = false;
    cache->shutdown().whenFinished(main, [&](const Outcome<void>&) { finished = true; });
    for (std::thread& thread : threads)
        thread.join();
    driveUntil(main, [&] { return finished && answered == kCovers * kThreads * 4; });
    EXPECT_EQ(decoder->decodes(), kCovers);
}

TEST_F(ArtworkCacheTest, SwitchingNetworkAccessOffEndsDownloads) {
    server.setCoverArt("al-3", FakeImageDecoder::encode(64, 64));
    closeGate();
    std::optional<ArtworkBytes> result;
    cache->data("al-3", api, main, [&](ArtworkBytes bytes) { result = std::move(bytes); });
    driveUntil(main, [&] { return coverRequests() == 1; });

    api->setNetworkAccessEnabled(false);
    driveUntil(main, [&] { return result.has_value(); });
    EXPECT_FALSE(*result);
    openGate();
}

TEST_F(ArtworkCacheTest, ProviderAnswersBySongCoverArt) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    server.setCoverArt("al-4", cover);
    ArtworkProvider provider = makeArtworkProvider(cache, api, main);
    auto ask = [&](const Song& song) {
        std::optional<ArtworkBytes> result;
        provider(song, [&](ArtworkBytes bytes) { result = std::move(bytes); });
        driveUntil(main, [&] { return result.has_value(); });
        return *result;
    };

    Song song;
    song.id = "s-1";
    song.title = "Song";
    EXPECT_FALSE(ask(song));
    song.coverArt = "al-4";
    EXPECT_EQ(text(ask(song)), cover);
    EXPECT_EQ(coverRequests(), 1u);
}

TEST_F(ArtworkCacheTest, DownloadPreparationLeavesTheCoverOnDisk) {
    const std::string cover = FakeImageDecoder::encode(64, 64);
    server.setCoverArt("al-5", cover);
    const DownloadManager::PrepareArtwork prepare = makeArtworkPreparation(cache, api);

    Song song;
    song.id = "s-2";
    song.title = "Song";
    EXPECT_TRUE(prepare(song).isFinished());
    song.coverArt = "al-5";
    bool finished = false;
    prepare(song).whenFinished(main, [&](const Outcome<void>& outcome) { finished = outcome.hasValue(); });
    driveUntil(main, [&] { return finished; });
    EXPECT_EQ(readFile(root / sha256Hex("al-5")), cover);
}

TEST(ArtworkPermitsTest, FourRunAtOnceAndWaitersStartInOrder) {
    VirtualClock clock;
    ManualExecutor main(clock);
    ArtworkPermits permits(main);
    std::vector<int> started;
    for (int i = 0; i < 6; ++i)
        permits.acquire([&started, i] { started.push_back(i); });
    main.runUntilIdle();
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(permits.waiting(), 2u);

    permits.release();
    main.runUntilIdle();
    EXPECT_EQ(started, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(permits.inUse(), 4u);
    permits.release();
    main.runUntilIdle();
    EXPECT_EQ(started.back(), 5);
    for (int i = 0; i < 4; ++i)
        permits.release();
    EXPECT_EQ(permits.inUse(), 0u);
}

} // namespace
} // namespace sorvalind::test
