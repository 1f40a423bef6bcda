#pragma once
// What the synchronisation tests share: the loopback fake server, a real
// REST client, a repository over a real file and the engine, driven from the
// test thread while a serial queue stands in for the main actor (it runs the
// progress reports and the client's retry timers on real time).

#include "http/http_transport.h"
#include "http/network_security.h"
#include "loopback/fake_subsonic_server.h"
#include "runtime/async_call.h"
#include "runtime/thread_executor.h"
#include "server/api_client.h"
#include "store/library_repository.h"
#include "support/paths.h"
#include "sync/sync_checkpoint.h"
#include "sync/sync_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

// A wall clock that stays where the test puts it.
class SettableWallClock final : public WallClock {
public:
    WallTime now() const noexcept override { return WallTime(WallTime::duration(ticks_.load())); }
    void set(WallTime time) noexcept { ticks_ = time.time_since_epoch().count(); }
    void advance(std::chrono::seconds span) noexcept { set(now() + span); }

private:
    std::atomic<WallTime::rep> ticks_{
        WallTime(std::chrono::seconds(1'714'566'896)).time_since_epoch().count()};
};

// Gives every request a five-second idle and connect timeout, so that a
// stalled answer costs seconds per attempt instead of a minute (and a loaded
// machine still answers a page in time).
class ShortIdleTransport final : public HttpTransport {
public:
    explicit ShortIdleTransport(std::shared_ptr<HttpTransport> inner) : inner_(std::move(inner)) {}
    HttpResponseHead stream(const HttpRequest& request, HttpStreamHandler& handler,
                            std::stop_token stop) override {
        HttpRequest shortened = request;
        shortened.idleTimeout = std::chrono::seconds(5);
        shortened.connectTimeout = std::chrono::milliseconds(5000);
        return inner_->stream(shortened, handler, std::move(stop));
    }
    void cancelAll() noexcept override { inner_->cancelAll(); }
    void invalidate() noexcept override { inner_->invalidate(); }

private:
    std::shared_ptr<HttpTransport> inner_;
};

// The progress reports as the main actor received them.
class ProgressLog {
public:
    explicit ProgressLog(Executor& mainActor) : mainActor_(mainActor) {}
    SyncEngine::ProgressCallback callback() {
        return [this](const SyncProgress& progress) {
            std::lock_guard lock(mutex_);
            reports_.push_back(progress);
        };
    }
    // Every report posted so far (the main actor runs posts in order).
    std::vector<SyncProgress> reports() {
        callSync(mainActor_, [] {});
        std::lock_guard lock(mutex_);
        return reports_;
    }
    std::vector<std::string> messages() {
        std::vector<std::string> texts;
        for (const SyncProgress& report : reports())
            texts.push_back(report.message);
        return texts;
    }
    void clear() {
        callSync(mainActor_, [] {});
        std::lock_guard lock(mutex_);
        reports_.clear();
    }

private:
    Executor& mainActor_;
    std::mutex mutex_;
    std::vector<SyncProgress> reports_;
};

class SyncTest : public ::testing::Test {
public:
    // A library whose listing takes `songs` / 500 pages, artists and albums
    // all on the first page; two playlists.
    static loopback::FakeSubsonicServer::Options libraryOf(int artists, int albumsPerArtist,
                                                           int songsPerAlbum) {
        loopback::FakeSubsonicServer::Options options;
        options.library.artists = artists;
        options.library.albumsPerArtist = albumsPerArtist;
        options.library.songsPerAlbum = songsPerAlbum;
        return options;
    }

protected:
    void startServer(loopback::FakeSubsonicServer::Options options = libraryOf(10, 10, 20)) {
        engine.reset();
        client.reset();
        server = std::make_unique<loopback::FakeSubsonicServer>(std::move(options));
        connect();
    }

    // A client for the current server, with short timeouts when asked.
    void connect(bool shortTimeouts = false) {
        engine.reset();
        client.reset();
        std::shared_ptr<HttpTransport> session = NetworkSecurity::session();
        if (shortTimeouts) session = std::make_shared<ShortIdleTransport>(std::move(session));
        client = std::make_unique<APIClient>(ServerConfiguration(server->baseUrl(), "alice", true), "sesame",
                                             mainActor, std::move(session));
        if (!repository)
            repository = std::make_unique<LibraryRepository>((folder.path() / "Library.sqlite").string(),
                                                             mainActor, wall);
        engine = std::make_unique<SyncEngine>(*repository, mainActor, wall, "en_US");
    }

    void sync(std::stop_token stop = {}) { engine->refresh(*client, progress.callback(), stop); }

    // Wraps the server's standard handler of `method`: `wrapper(call, request,
    // res, original)` with the 1-based number of the call.
    using Wrapper = std::function<void(int call, const loopback::FakeRequest&, httplib::Response&,
                                       const loopback::FakeSubsonicServer::RestHandler& original)>;
    void wrap(const std::string& method, Wrapper wrapper) {
        auto original = server->method(method);
        auto calls = std::make_shared<std::atomic<int>>(0);
        server->setMethod(
            method, [original, calls, wrapper](const loopback::FakeRequest& request, httplib::Response& res) {
                wrapper(++*calls, request, res, original);
            });
    }

    // The song offsets of the library page requests, in order.
    std::vector<int> songOffsets() const {
        std::vector<int> offsets;
        for (const loopback::FakeRequest& request : server->requests())
            if (request.restMethod == "search3")
                offsets.push_back(std::stoi(request.param("songOffset").value()));
        return offsets;
    }

    // The same without the repeats of a retried request: what the engine
    // asked for, whatever a loaded machine made the client retry.
    std::vector<int> pageOffsets() const {
        std::vector<int> offsets = songOffsets();
        offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
        return offsets;
    }

    std::optional<SyncCheckpoint> checkpoint() {
        auto text = repository->state("syncCheckpoint");
        return text ? SyncCheckpoint::decode(*text) : std::nullopt;
    }

    TempDir folder;
    SerialQueue mainActor{"test-main"};
    SettableWallClock wall;
    ProgressLog progress{mainActor};
    std::unique_ptr<loopback::FakeSubsonicServer> server;
    std::unique_ptr<APIClient> client;
    std::unique_ptr<LibraryRepository> repository;
    std::unique_ptr<SyncEngine> engine;

    void TearDown() override {
        engine.reset();
        repository.reset();
        client.reset();
        server.reset();
        mainActor.shutdown();
    }
};

} // namespace sorvalind::test
