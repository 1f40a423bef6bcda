// The storage of played buffers comes back for the next ones: reused, within
// its bounds, across threads, and never handed out twice while in use.
#include "audio_test_support.h"

#include "audio/pcm_buffer_pool.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace sorvalind::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Tone;

PCMBuffer filled(std::size_t frames, float value = 0.25f) {
    PCMBuffer buffer;
    for (auto& channel : buffer.channels)
        channel.assign(frames, value);
    return buffer;
}

TEST(PCMBufferPool, HandsBackTheStorageOfABufferGivenBackEmpty) {
    auto pool = PCMBufferPool::make();
    EXPECT_EQ(pool->take().channels[0].capacity(), 0u);

    PCMBuffer buffer = filled(4096);
    const float* left = buffer.channels[0].data();
    const float* right = buffer.channels[1].data();
    pool->give(std::move(buffer));
    EXPECT_EQ(pool->kept(), 1u);

    PCMBuffer again = pool->take();
    EXPECT_TRUE(again.empty());
    EXPECT_TRUE(again.channels[1].empty());
    EXPECT_EQ(again.channels[0].data(), left);
    EXPECT_EQ(again.channels[1].data(), right);
    EXPECT_GE(again.channels[0].capacity(), 4096u);
    EXPECT_EQ(pool->kept(), 0u);
}

TEST(PCMBufferPool, KeepsNoMoreThanItsBounds) {
    struct Case {
        std::string name;
        std::size_t buffers;
        std::size_t framesPerBuffer;
        std::vector<std::size_t> given; // frames of each buffer given back
        std::size_t kept;
    };
    const std::vector<Case> cases = {
        {"up to the count", 2, 8192, {100, 200, 300}, 2},
        {"none larger than a buffer may be", 4, 8192, {8192, 8193, 100000}, 1},
        {"nothing without storage", 4, 8192, {0, 0}, 0},
        {"a pool of none", 0, 8192, {100}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto pool = PCMBufferPool::make(c.buffers, c.framesPerBuffer);
        for (std::size_t frames : c.given) {
            PCMBuffer buffer;
            for (auto& channel : buffer.channels)
                channel.reserve(frames);
            pool->give(std::move(buffer));
        }
        EXPECT_EQ(pool->kept(), c.kept);
    }
}

TEST(PCMBufferPool, ASharedBufferComesBackWhenItsLastOwnerLetsGo) {
    auto pool = PCMBufferPool::make();
    PCMBuffer buffer = filled(1000, 0.5f);
    const float* storage = buffer.channels[0].data();
    std::shared_ptr<const PCMBuffer> shared = pool->share(std::move(buffer));
    EXPECT_EQ(shared->frameLength(), 1000u);
    EXPECT_EQ(shared->channels[1][999], 0.5f);

    auto copy = shared;
    shared.reset();
    EXPECT_EQ(pool->kept(), 0u) << "came back while still in use";
    EXPECT_EQ(copy->channels[0][0], 0.5f);
    copy.reset();
    ASSERT_EQ(pool->kept(), 1u);
    EXPECT_EQ(pool->take().channels[0].data(), storage);

    // One outliving its pool is simply freed.
    auto orphan = pool->share(filled(10));
    pool.reset();
    EXPECT_EQ(orphan->frameLength(), 10u);
    orphan.reset();
}

// A decoder's thread fills and shares buffers; two others play and drop
// them, as the node and its notifications do. Every buffer arrives with
// what was written into it (no storage is handed out twice while in use),
// the storage goes round, and the pool stays within its bound.
TEST(PCMBufferPool, GoesRoundBetweenThreads) {
    constexpr std::size_t bound = 8;
    constexpr int buffers = 4000;
    auto pool = PCMBufferPool::make(bound, 4096);
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<const PCMBuffer>> queue;
    bool done = false;
    std::atomic<int> wrong{0};
    std::set<const float*> storage;

    auto player = [&] {
        for (;;) {
            std::shared_ptr<const PCMBuffer> buffer;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !queue.empty() || done; });
                if (queue.empty()) return;
                buffer = std::move(queue.front());
                queue.pop_front();
            }
            changed.notify_all();
            const float expected = buffer->channels[0][0];
            for (const auto& channel : buffer->channels)
                for (float sample : channel)
                    if (sample != expected) ++wrong;
        }
    };
    std::thread first(player), second(player);
    for (int i = 0; i < buffers; ++i) {
        PCMBuffer buffer = pool->take();
        for (auto& channel : buffer.channels)
            channel.assign(1024, static_cast<float>(i));
        storage.insert(buffer.channels[0].data());
        auto shared = pool->share(std::move(buffer));
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return queue.size() < 4; });
        queue.push_back(std::move(shared));
        changed.notify_all();
    }
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    changed.notify_all();
    first.join();
    second.join();

    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(pool->kept(), bound);
    // Fresh storage only while the pool is empty: far fewer than one each.
    EXPECT_LT(storage.size(), static_cast<std::size_t>(buffers / 10));
}

TEST(PCMBufferPool, TakingTheFrontFillsTheStorageGiven) {
    struct Case {
        std::size_t frames;
        std::size_t front;
        std::size_t rest;
    };
    for (const Case& c : {Case{10, 4, 6}, Case{10, 10, 0}, Case{10, 25, 0}}) {
        SCOPED_TRACE(c.frames);
        PCMBuffer source;
        for (auto& channel : source.channels)
            for (std::size_t i = 0; i < c.frames; ++i)
                channel.push_back(static_cast<float>(i));
        PCMBuffer storage = filled(64, -1);
        const float* memory = storage.channels[0].data();
        PCMBuffer front = source.takeFront(c.front, std::move(storage));
        ASSERT_EQ(front.frameLength(), c.frames - c.rest);
        ASSERT_EQ(source.frameLength(), c.rest);
        for (std::size_t i = 0; i < front.frameLength(); ++i)
            EXPECT_EQ(front.channels[1][i], static_cast<float>(i));
        for (std::size_t i = 0; i < source.frameLength(); ++i)
            EXPECT_EQ(source.channels[0][i], static_cast<float>(front.frameLength() + i));
        // Part of it goes into the storage; all of it leaves the storage
        // behind for what comes next.
        EXPECT_EQ((c.rest ? front : source).channels[0].data(), memory);
    }
}

// Decoding into storage given back as soon as each buffer is played gives
// the same samples as decoding into fresh memory, on each path that makes
// buffers: whole FLAC frames, converted FLAC, and other files.
TEST(PCMBufferPool, DecodersGiveTheSameSamplesInReusedStorage) {
    const std::vector<fs::path> files = {
        fixtures::flac(audioFolder(), "pool-frames", Tone{48000, 2, 16, 3 * 4096 + 100}),
        fixtures::flac(audioFolder(), "pool-rate", Tone{44100, 2, 16, 30000}),
        fixtures::wav(audioFolder(), "pool-wav", Tone{48000, 1, 16, 30000}),
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename());
        PCMDecoder fresh(file, 48000);
        PCMBuffer expected = decodeAll(fresh, 4000, true);

        auto pool = PCMBufferPool::make();
        PCMDecoder pooled(file, 48000, pool);
        PCMBuffer decoded;
        std::set<const float*> storage;
        while (auto buffer = pooled.read(4000)) {
            storage.insert(buffer->channels[0].data());
            auto played = pool->share(std::move(*buffer));
            for (std::size_t c = 0; c < 2; ++c)
                decoded.channels[c].insert(decoded.channels[c].end(), played->channels[c].begin(),
                                           played->channels[c].end());
        }
        EXPECT_EQ(decoded.channels, expected.channels);
        EXPECT_LE(storage.size(), 3u);
        EXPECT_GE(pool->kept(), 1u);
    }
}

} // namespace
} // namespace sorvalind::testing
