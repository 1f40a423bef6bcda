#include "download_manager_fixture.h"

#include "library/json_coding.h"

#include <fstream>
#include <sqlite3.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

struct DownloadRestoreTest : test::DownloadManagerFixture {
    std::filesystem::path place(const std::filesystem::path& folder, const std::string& name) {
        std::filesystem::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary) << flacBytes;
        return folder / name;
    }
    DownloadRecord record(const std::string& id, const std::filesystem::path& path) {
        DownloadRecord r;
        r.song = song(id);
        r.quality = DownloadQuality::original;
        r.path = path.string();
        r.bytes = static_cast<std::int64_t>(flacBytes.size());
        r.completedAt = clock.wallNow();
        return r;
    }
    nlohmann::json storedJob(const std::string& id, const std::string& status, std::optional<bool> resume) {
        DownloadJob j(song(id), DownloadQuality::original);
        j.status = status;
        j.progress = 0.5;
        j.receivedBytes = 10;
        j.resumeAutomatically = resume;
        return j.encode();
    }
    void storeJobs(const nlohmann::json& list) {
        onStore([&] { return repository->setState("downloadJobs", list.dump()); });
    }
};

TEST_F(DownloadRestoreTest, BringsBackWhatSurvivedAndCleansUpAfterACrash) {
    // Files: one in place, one whose folder moved (same name in the current
    // root), one gone; one file a crash left between the move and its record,
    // and a crashed transfer's ".part".
    onStore([&] { return repository->saveDownload(record("kept", place(root, "KEPT.flac"))); });
    place(root, "MOVED.flac");
    onStore(
        [&] { return repository->saveDownload(record("moved", dir.path() / "OldAudio" / "MOVED.flac")); });
    onStore([&] { return repository->saveDownload(record("gone", root / "GONE.flac")); });
    place(root, "ORPHAN.flac");
    place(transfers, "STALE.part");

    // The queue: a job recorded just before a crash (its list was never
    // rewritten), an element that no longer decodes, and the states that
    // come back.
    storeJobs(nlohmann::json::array({
        storedJob("kept", "Downloading", true),
        nlohmann::json{{"song", {{"id", "x"}}}, {"status", "Waiting"}},
        storedJob("running", "Downloading", true),
        storedJob("verifying", "Verifying", std::nullopt),
        storedJob("autoPaused", "Paused", true),
        storedJob("userPaused", "Paused", false),
        storedJob("failed", "Failed", true),
    }));

    wait(manager->restore());

    std::vector<std::string> ids;
    for (const auto& r : manager->records().value())
        ids.push_back(r.song.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"kept", "moved"}));
    EXPECT_EQ(manager->records().value()[1].path, (root / "MOVED.flac").string());
    const auto rows = onStore([&] { return repository->downloads(); });
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        if (row.song.id == "moved") {
            EXPECT_EQ(row.path, (root / "MOVED.flac").string());
        }
    }
    EXPECT_FALSE(std::filesystem::exists(root / "ORPHAN.flac"));
    EXPECT_EQ(filesIn(root), 2u);
    EXPECT_EQ(filesIn(transfers), 0u);

    std::vector<std::string> jobs;
    for (const auto& j : manager->jobs().value())
        jobs.push_back(j.song.id + " " + j.status);
    EXPECT_EQ(jobs, (std::vector<std::string>{"running Waiting", "verifying Waiting", "autoPaused Waiting",
                                              "userPaused Paused", "failed Failed"}));
    const auto* running = job("running:original");
    EXPECT_EQ(running->progress, 0);
    EXPECT_FALSE(running->receivedBytes);
    EXPECT_EQ(running->resumeAutomatically, true);
    EXPECT_FALSE(job("verifying:original")->resumeAutomatically);
    EXPECT_FALSE(job("failed:original")->error);

    // Nothing runs before a client; then the waiting ones run and the
    // recorded one is never fetched again.
    main.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(server.requestCount("download"), 0u);
    manager->configure(api);
    until([&] { return manager->jobs().value().size() == 2; });
    EXPECT_EQ(requestsFor("kept"), 0u);
    EXPECT_EQ(requestsFor("userPaused"), 0u);

    // The stored queue now holds what is left, in order.
    until([&] {
        auto text = onStore([&] { return repository->state("downloadJobs"); });
        return text && nlohmann::json::parse(*text).size() == 2;
    });
}

TEST_F(DownloadRestoreTest, AFailedReadOfTheRecordsDeletesNothing) {
    place(root, "KEPT.flac");
    place(transfers, "STALE.part");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dir.path() / "Library.sqlite").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "INSERT INTO downloads VALUES('x:original','x','original','{')", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    wait(manager->restore());
    EXPECT_TRUE(manager->records().value().empty());
    EXPECT_TRUE(std::filesystem::exists(root / "KEPT.flac"));
    EXPECT_TRUE(std::filesystem::exists(transfers / "STALE.part"));
}

TEST_F(DownloadRestoreTest, WithoutAStoredQueueNothingIsWritten) {
    storeJobs(nlohmann::json::object());
    wait(manager->restore());
    EXPECT_TRUE(manager->jobs().value().empty());
    main.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(onStore([&] { return repository->state("downloadJobs"); }), "{}");
}

TEST_F(DownloadRestoreTest, ANewRecordReplacingAnOldOneDeletesItsFile) {
    gated = true;
    manager->configure(api);
    manager->enqueue({song("s1")}, DownloadQuality::original);
    until([&] {
        return requestsFor("s1") == 1 &&
               onStore([&] { return repository->state("downloadJobs"); }).has_value();
    });
    // A record of the same song arrives while its download runs.
    const auto old = place(root, "OLD.flac");
    onStore([&] { return repository->saveDownload(record("s1", old)); });
    wait(manager->restore());
    ASSERT_EQ(manager->records().value().size(), 1u);

    openGate("s1");
    until(
        [&] { return manager->records().value().size() == 1 && manager->records().value()[0].path != old; });
    until([&] { return !std::filesystem::exists(old); });
    EXPECT_EQ(filesIn(root), 1u);
    ASSERT_EQ(onStore([&] { return repository->downloads(); }).size(), 1u);
    EXPECT_EQ(onStore([&] { return repository->downloads(); })[0].path, manager->records().value()[0].path);
}

TEST_F(DownloadRestoreTest, QueueWritesLandInCallOrder) {
    wait(manager->restore());
    manager->enqueue({song("a")}, DownloadQuality::original);
    manager->enqueue({song("b")}, DownloadQuality::mp3_320);
    manager->pause("a:original");
    manager->cancel("b:mp3_320");
    until([&] {
        auto text = onStore([&] { return repository->state("downloadJobs"); });
        return text && nlohmann::json::parse(*text).size() == 1 && nlohmann::json::parse(*text)[0]["status"] == "Paused";
    });
    shutdownManager();
}

} // namespace
} // namespace sorvalind
