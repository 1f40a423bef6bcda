#pragma once
// An artwork cache wired to real parts: the loopback fake server (its
// "getCoverArt" answers can be held at a gate until the test opens it), a
// real folder, a real worker pool, a manual main actor on a virtual clock
// (which also times the download suppression) and the fake decoder.

#include "fake_image_decoder.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "model/artwork_cache.h"
#include "runtime/manual_executor.h"
#include "runtime/thread_executor.h"
#include "runtime/virtual_clock.h"
#include "support/drive_until.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>

namespace sorvalind::test {

struct ArtworkFixture : ::testing::Test {
    // While closed, "getCoverArt" answers wait. Declared before the server,
    // whose handler threads use them until it stops.
    std::mutex mutex;
    std::condition_variable gateChanged;
    bool gateOpen = true;

    loopback::FakeSubsonicServer server;
    TempDir dir;
    std::filesystem::path root = dir.path() / "Artwork";
    VirtualClock clock;
    ManualExecutor main{clock};
    WorkerPool workers{8, "artwork-test"};
    std::shared_ptr<FakeImageDecoder> decoder = std::make_shared<FakeImageDecoder>();
    std::shared_ptr<ArtworkCache> cache = ArtworkCache::make(root, workers, clock.steady(), decoder);
    std::shared_ptr<APIClient> api = std::make_shared<APIClient>(
        ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main, NetworkSecurity::session());

    void SetUp() override {
        server.setMethod("getCoverArt", [this, standard = server.method("getCoverArt")](
                                            const loopback::FakeRequest& request, httplib::Response& res) {
            {
                std::unique_lock lock(mutex);
                gateChanged.wait(lock, [&] { return gateOpen; });
            }
            standard(request, res);
        });
    }

    void TearDown() override {
        openGate();
        bool done = false;
        cache->shutdown().whenFinished(main, [&](const Outcome<void>&) { done = true; });
        driveUntil(main, [&] { return done; });
    }

    void closeGate() {
        std::lock_guard lock(mutex);
        gateOpen = false;
    }
    void openGate() {
        {
            std::lock_guard lock(mutex);
            gateOpen = true;
        }
        gateChanged.notify_all();
    }

    std::size_t coverRequests() const { return server.requestCount("getCoverArt"); }

    // One request through the main actor, driven to its end.
    ArtworkBytes data(const std::string& id, std::shared_ptr<APIClient> client) {
        std::optional<ArtworkBytes> result;
        cache->data(id, std::move(client), main, [&](ArtworkBytes bytes) { result = std::move(bytes); });
        driveUntil(main, [&] { return result.has_value(); });
        return *result;
    }
    DecodedImagePointer image(const std::string& id, std::shared_ptr<APIClient> client) {
        std::optional<DecodedImagePointer> result;
        cache->image(id, std::move(client), main,
                     [&](DecodedImagePointer image) { result = std::move(image); });
        driveUntil(main, [&] { return result.has_value(); });
        return *result;
    }

    static std::string text(const ArtworkBytes& bytes) {
        return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    }
};

} // namespace sorvalind::test
