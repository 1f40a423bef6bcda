#pragma once
// A download manager wired to real parts: the loopback fake server (its
// "download" and "stream" methods serve generated audio by song id, each
// answer held until the test opens its gate), a real SQLite library, and a
// manual main actor on a virtual clock.

#include "downloads/download_manager.h"
#include "http/network_security.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <set>

namespace sorvalind::test {

struct DownloadManagerFixture : ::testing::Test {
    static inline std::filesystem::path audio;
    static inline std::string flacBytes, mp3Bytes;

    static void SetUpTestSuite() {
        audio = fixtures::temporaryFolder("downloads");
        flacBytes = readFile(fixtures::flac(audio, "tone", {48000, 2, 16, 144000}));
        mp3Bytes = readFile(fixtures::mp3(audio, "tone", {48000, 2, 16, 144000}, 256));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(audio); }

    loopback::FakeSubsonicServer server;
    TempDir dir;
    std::filesystem::path root = dir.path() / "Audio";
    std::filesystem::path transfers = dir.path() / "Transfers";
    VirtualClock clock;
    ManualExecutor main{clock};
    std::unique_ptr<LibraryRepository> repository =
        std::make_unique<LibraryRepository>((dir.path() / "Library.sqlite").string(), main);
    std::shared_ptr<APIClient> api = std::make_shared<APIClient>(
        ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main, NetworkSecurity::session());
    std::unique_ptr<DownloadManager> manager =
        std::make_unique<DownloadManager>(*repository, main, root, transfers);

    // Gates: an answer waits until its id is opened (all open by default).
    std::mutex mutex;
    std::condition_variable gateChanged;
    bool gated = false;
    bool stopping = false;
    std::set<std::string> open;
    std::map<std::string, std::string> bodies; // id -> bytes, else the FLAC tone

    void SetUp() override {
        auto serve = [this](const loopback::FakeRequest& request, httplib::Response& res) {
            const std::string id = request.param("id").value_or("");
            std::string body;
            {
                std::unique_lock lock(mutex);
                gateChanged.wait(lock, [&] { return !gated || stopping || open.count(id); });
                auto found = bodies.find(id);
                body = found != bodies.end() ? found->second : flacBytes;
            }
            res.set_content(body, "application/octet-stream");
        };
        server.setMethod("download", serve);
        server.setMethod("stream", serve);
    }

    void TearDown() override {
        if (manager) shutdownManager();
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        gateChanged.notify_all();
    }

    void shutdownManager() {
        auto done = manager->shutdown();
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        gateChanged.notify_all();
        ASSERT_TRUE(main.runUntil([&] { return done.isFinished(); }));
        main.runUntilIdle();
        manager.reset();
    }

    void openGate(const std::string& id) {
        {
            std::lock_guard lock(mutex);
            open.insert(id);
        }
        gateChanged.notify_all();
    }

    Song song(const std::string& id) const {
        auto s = Song::make(id, "Song " + id);
        s.suffix = "flac";
        s.duration = 3;
        return s;
    }
    std::vector<Song> songs(int count) const {
        std::vector<Song> result;
        for (int i = 0; i < count; ++i)
            result.push_back(song("s" + std::to_string(i)));
        return result;
    }

    const DownloadJob* job(const std::string& id) const {
        for (const auto& j : manager->jobs().value())
            if (j.id() == id) return &j;
        return nullptr;
    }
    std::string status(const std::string& id) const {
        auto* j = job(id);
        return j ? j->status : "(none)";
    }
    std::vector<std::string> statuses() const {
        std::vector<std::string> result;
        for (const auto& j : manager->jobs().value())
            result.push_back(j.status);
        return result;
    }
    std::size_t requestsFor(const std::string& id) const {
        std::size_t count = 0;
        for (const auto& r : server.requests())
            if (r.param("id") == id) ++count;
        return count;
    }

    // Drives the main actor until `done` holds; the bound only guards a hang.
    void until(const std::function<bool()>& done) {
        ASSERT_TRUE(main.runUntil(done, std::chrono::seconds(30)));
    }
    void wait(const TaskHandle& task) {
        until([&] { return task.isFinished(); });
    }

    // Runs a store call off the main actor (the test thread is the main
    // actor here, where the store refuses blocking calls).
    template <class F> auto onStore(F f) { return std::async(std::launch::async, std::move(f)).get(); }

    static std::size_t filesIn(const std::filesystem::path& folder) {
        if (!std::filesystem::exists(folder)) return 0;
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }
};

} // namespace sorvalind::test
