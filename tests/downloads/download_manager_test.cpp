#include "download_manager_fixture.h"

#include "errors/safe_error.h"
#include "runtime/cancellation.h"

#include <algorithm>
#include <functional>
#include <ostream>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using Fixture = test::DownloadManagerFixture;

struct DownloadManagerTest : Fixture {};

TEST_F(DownloadManagerTest, TenSongsRunThreeAtATimeInQueueOrder) {
    gated = true;
    manager->configure(api);
    manager->enqueue(songs(10), DownloadQuality::original);
    manager->enqueue({song("s0"), song("s0")}, DownloadQuality::original); // already queued
    ASSERT_EQ(manager->jobs().value().size(), 10u);

    std::vector<std::string> started;
    for (int finished = 0; finished < 10; ++finished) {
        // Exactly the next three waiting jobs run, in list order.
        const auto jobs = manager->jobs().value();
        std::size_t running = 0;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            const bool expected = i < 3;
            EXPECT_EQ(jobs[i].status, expected ? "Downloading" : "Waiting") << jobs[i].id();
            running += expected;
        }
        const std::string next = "s" + std::to_string(finished);
        EXPECT_EQ(jobs.front().id(), next + ":original");
        until([&] { return requestsFor(next) == 1; });
        openGate(next);
        until([&] { return !job(next + ":original"); });
    }
    EXPECT_TRUE(manager->jobs().value().empty());
    ASSERT_EQ(manager->records().value().size(), 10u);
    EXPECT_EQ(manager->records().value().front().song.id, "s0");
    EXPECT_EQ(filesIn(root), 10u);
    EXPECT_EQ(filesIn(transfers), 0u);
    EXPECT_EQ(manager->storageBytes(), 10 * static_cast<std::int64_t>(flacBytes.size()));
    EXPECT_EQ(onStore([&] { return repository->downloads(); }).size(), 10u) << "rows written";

    // Already downloaded: nothing is added.
    manager->enqueue({song("s3")}, DownloadQuality::original);
    EXPECT_TRUE(manager->jobs().value().empty());
}

// The ways running jobs stop and come back: the connection, the suspension,
// and both at once, where only the end of the last one resumes.
struct Interruption {
    const char* name;
    std::function<void(DownloadManager&)> stop;
    // Changes that must not resume anything yet.
    std::function<void(DownloadManager&)> held;
    std::function<void(DownloadManager&)> resume;
};

void PrintTo(const Interruption& c, std::ostream* out) {
    *out << c.name;
}

struct InterruptionTest : Fixture, ::testing::WithParamInterface<Interruption> {};

TEST_P(InterruptionTest, ResumesTheJobsItPausedAndKeepsAUserPause) {
    const auto& c = GetParam();
    gated = true;
    manager->configure(api);
    manager->enqueue(songs(5), DownloadQuality::original);
    manager->pause("s3:original"); // the user's pause
    until([&] { return requestsFor("s0") && requestsFor("s1") && requestsFor("s2"); });

    c.stop(*manager);
    const std::vector<std::string> stopped{"Paused", "Paused", "Paused", "Paused", "Waiting"};
    EXPECT_EQ(statuses(), stopped);
    // The cancelled workers end and leave their jobs paused.
    main.runUntil([] { return false; }, 300ms);
    EXPECT_EQ(statuses(), stopped);
    EXPECT_EQ(filesIn(transfers), 0u);
    if (c.held) {
        c.held(*manager);
        main.runUntil([] { return false; }, 100ms);
        EXPECT_EQ(statuses(), stopped);
    }

    c.resume(*manager);
    until([&] { return requestsFor("s0") == 2 && requestsFor("s1") == 2 && requestsFor("s2") == 2; });
    EXPECT_EQ(statuses(),
              (std::vector<std::string>{"Downloading", "Downloading", "Downloading", "Paused", "Waiting"}));
    for (auto id : {"s0", "s1", "s2", "s3", "s4"})
        openGate(id);
    until([&] { return manager->jobs().value().size() == 1; });
    EXPECT_EQ(status("s3:original"), "Paused");
    EXPECT_EQ(job("s3:original")->resumeAutomatically, false);
    EXPECT_EQ(requestsFor("s3"), 0u);
    EXPECT_EQ(requestsFor("s4"), 1u);

    manager->retry("s3:original");
    until([&] { return manager->jobs().value().empty(); });
    EXPECT_EQ(manager->records().value().size(), 5u);
    EXPECT_EQ(filesIn(root), 5u);
}

INSTANTIATE_TEST_SUITE_P(
    Downloads, InterruptionTest,
    ::testing::Values(Interruption{"Connection", [](DownloadManager& m) { m.setOfflineMode(true); }, nullptr,
                                   [](DownloadManager& m) { m.setOfflineMode(false); }},
                      Interruption{"Suspension", [](DownloadManager& m) { m.pauseActiveTransfers(); },
                                   [](DownloadManager& m) {
                                       m.setOfflineMode(true);
                                       m.setOfflineMode(false);
                                   },
                                   [](DownloadManager& m) { m.resumeTransfers(); }},
                      Interruption{"SuspendedWhileOffline",
                                   [](DownloadManager& m) {
                                       m.setOfflineMode(true);
                                       m.pauseActiveTransfers();
                                   },
                                   [](DownloadManager& m) { m.setOfflineMode(false); },
                                   [](DownloadManager& m) { m.resumeTransfers(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadManagerTest, CancelAllEmptiesTheQueueAndKeepsRecords) {
    manager->configure(api);
    manager->enqueue({song("done")}, DownloadQuality::original);
    until([&] { return manager->records().value().size() == 1; });

    {
        std::lock_guard lock(mutex);
        gated = true;
    }
    manager->enqueue(songs(5), DownloadQuality::original);
    manager->pause("s4:original");
    until([&] { return requestsFor("s0") && requestsFor("s1") && requestsFor("s2"); });
    manager->cancelAll();
    EXPECT_TRUE(manager->jobs().value().empty());
    EXPECT_EQ(manager->records().value().size(), 1u);

    // Queued again at once: the cancelled workers still hold their places,
    // so nothing starts twice and no more than three run.
    manager->enqueue(songs(5), DownloadQuality::original);
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Waiting", "Waiting", "Waiting", "Waiting", "Waiting"}));
    for (auto id : {"s0", "s1", "s2", "s3", "s4"})
        openGate(id);
    until([&] { return manager->jobs().value().empty(); });
    EXPECT_EQ(manager->records().value().size(), 6u);
    EXPECT_EQ(requestsFor("s0"), 2u);
    EXPECT_EQ(requestsFor("s3"), 1u);
    // Only the finished downloads are on disk: nothing of the cancelled ones.
    EXPECT_EQ(filesIn(root), 6u);
    EXPECT_EQ(filesIn(transfers), 0u);
    EXPECT_EQ(onStore([&] { return repository->downloads(); }).size(), 6u);

    // The emptied queue is what is stored.
    manager->enqueue({song("late")}, DownloadQuality::original);
    manager->cancelAll();
    until([&] { return onStore([&] { return repository->state(DownloadManager::stateKey); }) == "[]"; });
    EXPECT_EQ(manager->records().value().size(), 6u);
}

// Two points of the verification a cancel can meet: in the middle of the
// full decode of a long file, and after the move into the root while the
// worker waits for the artwork before it records the download.
TEST_F(DownloadManagerTest, CancelDuringVerificationLeavesNothing) {
    static const std::string longFlac =
        test::readFile(fixtures::flac(audio, "long", {48000, 2, 16, 48000 * 120}));
    for (const bool afterTheMove : {false, true}) {
        SCOPED_TRACE(afterTheMove ? "after the move" : "while decoding");
        if (!manager) manager = std::make_unique<DownloadManager>(*repository, main, root, transfers);

        auto artworkGate = std::make_shared<TaskSource>();
        auto listed = song("s1");
        if (afterTheMove) {
            manager->setPrepareArtwork([artworkGate](const Song&) { return artworkGate->handle(); });
        } else {
            std::lock_guard lock(mutex);
            bodies["s1"] = longFlac;
            listed.duration = 120;
        }
        manager->configure(api);
        manager->enqueue({listed}, DownloadQuality::original);
        until([&] { return status("s1:original") == "Verifying" && (!afterTheMove || filesIn(root) == 1); });
        manager->cancel("s1:original");
        artworkGate->finish(Outcome<void>::success());

        EXPECT_TRUE(manager->jobs().value().empty());
        // Shutting down waits for the worker to end.
        shutdownManager();
        EXPECT_EQ(filesIn(root), 0u);
        EXPECT_EQ(filesIn(transfers), 0u);
        EXPECT_TRUE(onStore([&] { return repository->downloads(); }).empty());
        EXPECT_EQ(onStore([&] { return repository->state(DownloadManager::stateKey); }), "[]");
        std::lock_guard lock(mutex);
        bodies.clear();
    }
}

// A cover fetch that ends only when cancelled, as one stuck on a slow server.
struct StuckCover {
    TaskSource source;
    std::stop_callback<std::function<void()>> onStop{
        source.stopToken(),
        [this] { source.finish(Outcome<void>::failure(std::make_exception_ptr(CancellationError()))); }};
};

TEST_F(DownloadManagerTest, AFailedJobDoesNotWaitForItsCover) {
    std::vector<std::shared_ptr<StuckCover>> covers;
    manager->setPrepareArtwork([&](const Song& listed) {
        if (listed.id == "last") return TaskHandle();
        covers.push_back(std::make_shared<StuckCover>());
        return covers.back()->source.handle();
    });
    // Every transfer slot gets a failing job; the last job needs a free slot.
    // The failures go by id, not by arrival: the last job may reach the
    // server before a slow one of the first.
    server.setMethod("download", [this](const loopback::FakeRequest& request, httplib::Response& res) {
        if (request.param("id") == "last") return res.set_content(flacBytes, "application/octet-stream");
        res.status = 404;
        res.set_content("Not Found", "text/plain");
    });
    auto listed = songs(static_cast<int>(DownloadManager::maximumTransfers));
    listed.push_back(song("last"));
    manager->configure(api);
    manager->enqueue(listed, DownloadQuality::original);
    until([&] { return manager->records().value().size() == 1; });
    EXPECT_EQ(manager->records().value()[0].song.id, "last");
    ASSERT_EQ(covers.size(), DownloadManager::maximumTransfers);
    for (std::size_t i = 0; i < covers.size(); ++i) {
        EXPECT_EQ(status("s" + std::to_string(i) + ":original"), "Failed");
        EXPECT_TRUE(covers[i]->source.handle().isCancelled());
    }
}

TEST_F(DownloadManagerTest, BadBodiesFailVerification) {
    bodies["short"] = flacBytes.substr(0, flacBytes.size() / 2);
    bodies["noise"] = std::string(50000, '\x33');
    bodies["mp3"] = mp3Bytes;
    manager->configure(api);
    manager->enqueue({song("short"), song("noise")}, DownloadQuality::original);
    manager->enqueue({song("mp3")}, DownloadQuality::mp3_192); // 256 kbit/s above a 192 ceiling
    until([&] {
        auto s = statuses();
        return std::count(s.begin(), s.end(), "Failed") == 3;
    });
    // Cut short: the decoder or the duration check refuses it.
    EXPECT_TRUE(job("short:original")->error.has_value());
    EXPECT_TRUE(job("noise:original")->error.has_value());
    EXPECT_EQ(job("mp3:mp3_192")->error,
              "The server exceeded the requested MP3 bitrate. Check its transcoding configuration.");
    EXPECT_EQ(filesIn(root), 0u);
    EXPECT_EQ(filesIn(transfers), 0u);
    EXPECT_TRUE(onStore([&] { return repository->downloads(); }).empty());

    // A retry runs the job again from the start.
    bodies.erase("short");
    manager->retry("short:original");
    until([&] { return !job("short:original"); });
    EXPECT_EQ(manager->records().value().size(), 1u);
}

TEST_F(DownloadManagerTest, ServerErrorsShowTheirText) {
    server.injectFault(loopback::FakeFault::status(503), 1, "download");
    manager->configure(api);
    manager->enqueue({song("s1")}, DownloadQuality::original);
    until([&] { return status("s1:original") == "Failed"; });
    EXPECT_EQ(job("s1:original")->error, "The server returned HTTP 503.");
}

TEST_F(DownloadManagerTest, RemovalsAndTheirFailures) {
    manager->configure(api);
    manager->enqueue(songs(3), DownloadQuality::original);
    until([&] { return manager->records().value().size() == 3; });
    const auto records = manager->records().value();

    // Outside the root: refused, nothing deleted.
    auto outside = records[0];
    outside.path = (dir.path() / std::filesystem::path(outside.path).filename()).string();
    wait(manager->remove(outside));
    EXPECT_EQ(manager->error().value(), "Enter a valid server URL and username.");
    EXPECT_EQ(manager->records().value().size(), 3u);
    manager->setError(std::nullopt);

    // A file already gone: row and record go without an error.
    std::filesystem::remove(records[0].path);
    wait(manager->remove(records[0]));
    EXPECT_FALSE(manager->error().value());
    EXPECT_EQ(manager->records().value().size(), 2u);
    EXPECT_EQ(onStore([&] { return repository->downloads(); }).size(), 2u);

    // The store fails after the file is gone: the record still leaves the
    // list, and the failure is reported.
    onStore([&] { return repository->close(); });
    wait(manager->remove(records[1]));
    EXPECT_EQ(manager->error().value(), "The local library operation failed. Please try again.");
    EXPECT_EQ(manager->records().value().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(records[1].path));
    manager->setError(std::nullopt);
    wait(manager->removeAll());
    EXPECT_TRUE(manager->records().value().empty());
    EXPECT_EQ(manager->storageBytes(), 0);
    EXPECT_EQ(filesIn(root), 0u);
}

TEST_F(DownloadManagerTest, ShutdownWithTransfersInFlightWritesNothing) {
    gated = true;
    manager->configure(api);
    manager->enqueue(songs(4), DownloadQuality::original);
    until([&] { return requestsFor("s0") && requestsFor("s1") && requestsFor("s2"); });
    // Let the write of the queue land, then stop.
    main.runUntil([] { return false; }, 200ms);
    const auto stored = onStore([&] { return repository->state(DownloadManager::stateKey); });
    shutdownManager();
    EXPECT_EQ(onStore([&] { return repository->state(DownloadManager::stateKey); }), stored);
    EXPECT_EQ(filesIn(transfers), 0u);
}

} // namespace
} // namespace sorvalind
