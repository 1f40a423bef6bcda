// The chain of queue and position saves, and reading a stored position back.

#include "playback/playback_saves.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "support/drive_until.h"

#include <gtest/gtest.h>

#include <cmath>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace sorvalind {
namespace {

TEST(PlaybackSavesTest, SavesReachTheWriterInRequestOrderEvenWhenOneIsSlowOrFails) {
    const auto text = [](std::string value) { return [value] { return value; }; };
    VirtualClock clock;
    ManualExecutor main{clock};
    SerialQueue writer("saves");
    std::mutex mutex;
    std::condition_variable changed;
    bool released = false;
    std::vector<std::pair<std::optional<std::string>, double>> written;

    PlaybackSaves saves(main, writer, [&](const std::optional<std::string>& queue, double position) {
        std::unique_lock lock(mutex);
        if (written.empty()) changed.wait(lock, [&] { return released; }); // the first write is slow
        written.emplace_back(queue, position);
        if (position == 2) throw std::runtime_error("disk full");
    });
    saves.save(text("q1"), 1);
    saves.save({}, 2);
    // A queue that cannot be encoded drops its save; the next ones go on.
    saves.save([]() -> std::string { throw std::runtime_error("not encodable"); }, 4);
    saves.save(text("q3"), 3);
    main.runUntilIdle();
    EXPECT_FALSE(saves.last().isFinished());
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    test::driveUntil(main, [&] { return saves.last().isFinished(); });
    std::lock_guard lock(mutex);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0], std::make_pair(std::optional<std::string>("q1"), 1.0));
    EXPECT_EQ(written[1], std::make_pair(std::optional<std::string>(), 2.0));
    EXPECT_EQ(written[2], std::make_pair(std::optional<std::string>("q3"), 3.0));
    writer.shutdown();
}

TEST(PlaybackSavesTest, StoredPositionsParseAndClampIntoTheSong) {
    struct Case {
        const char* text;
        std::optional<double> duration;
        std::optional<double> restored; // none: left as it was
    };
    const std::vector<Case> cases = {
        {"83.2", 240, 83.2}, {"500.0", 240, 240}, {"500.0", std::nullopt, 0},
        {"-3.5", 240, 0},    {"0.0", 240, 0},     {"1e2", 240, 100},
        {"+7", 240, 7},      {"inf", 240, 240},   {"nan", 240, {}},
        {"abc", 240, {}},    {"", 240, {}},       {"12.5s", 240, {}},
    };
    for (const auto& c : cases) {
        auto parsed = parsePosition(c.text);
        ASSERT_EQ(parsed.has_value(), c.restored.has_value()) << c.text;
        if (parsed) {
            EXPECT_EQ(clampPosition(*parsed, c.duration), *c.restored) << c.text;
        }
    }
}

} // namespace
} // namespace sorvalind
