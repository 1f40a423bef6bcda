// Artist biographies: asked once per artist (an empty one too), never
// offline or without a client, dropped when the client changed or the caller
// stopped, and asked again after a failure that left nothing behind.

#include "app_model_fixture.h"

namespace sorvalind::test {
namespace {

struct Biography : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        // "ar-2" has nothing to tell; the others keep the server's own text.
        auto standard = server->method("getArtistInfo2");
        server->setMethod("getArtistInfo2",
                          [this, standard](const loopback::FakeRequest& request, httplib::Response& res) {
                              if (request.param("id") != "ar-2") return standard(request, res);
                              server->okResponse(res, {{"artistInfo2", {{"biography", "<p> </p>"}}}});
                          });
    }
    std::optional<std::string> biography(const std::string& id) const {
        const auto& biographies = model->artistBiographies().value();
        const auto found = biographies.find(id);
        if (found == biographies.end()) return std::nullopt;
        return found->second;
    }
    void load(const std::string& id, std::stop_token stop = {}) {
        await(model->loadArtistBiography(id, stop));
    }
    std::shared_ptr<APIClient> newClient() {
        return std::make_shared<APIClient>(configuration(), password, main, NetworkSecurity::session());
    }
};

TEST_F(Biography, EachArtistIsAskedOnceEvenWhenItHasNone) {
    const auto artistName = [&](const std::string& id) {
        return server
            ->withLibrary([&](loopback::FakeLibrary& library) { return (*library.artist(id))["name"]; })
            .get<std::string>();
    };
    for (int round = 0; round < 2; ++round) {
        load("ar-1");
        load("ar-2");
        load("");
    }
    EXPECT_EQ(requests("getArtistInfo2"), 2u);
    EXPECT_EQ(biography("ar-1"), artistName("ar-1") + " makes generated music.");
    EXPECT_EQ(biography("ar-2"), "");
    EXPECT_EQ(model->artistBiographies().value().size(), 2u);
}

TEST_F(Biography, NothingIsAskedOfflineOrWithoutAClient) {
    load("ar-1");
    model->setForceOfflineMode(true);
    load("ar-3");
    model->setForceOfflineMode(false);
    main.runUntilIdle();
    model->setApi(nullptr);
    load("ar-3");
    EXPECT_EQ(requests("getArtistInfo2"), 1u);
    EXPECT_FALSE(biography("ar-3"));
    // What was loaded stays.
    EXPECT_TRUE(biography("ar-1"));
}

TEST_F(Biography, AnAnswerForAReplacedClientOrAStoppedCallerIsDropped) {
    // Gates stay in place for the whole test: the server keeps calling them.
    MethodGate replacing(*server, "getArtistInfo2");
    auto running = model->loadArtistBiography("ar-1");
    drive([&] { return requests("getArtistInfo2") == 1; });
    model->setApi(newClient());
    replacing.openAll();
    await(running);
    EXPECT_FALSE(biography("ar-1"));

    MethodGate stopping(*server, "getArtistInfo2");
    std::stop_source stopped;
    running = model->loadArtistBiography("ar-1", stopped.get_token());
    drive([&] { return requests("getArtistInfo2") == 2; });
    stopped.request_stop();
    stopping.openAll();
    await(running);
    EXPECT_FALSE(biography("ar-1"));

    // The current client's answer is kept.
    load("ar-1");
    EXPECT_EQ(requests("getArtistInfo2"), 3u);
    EXPECT_TRUE(biography("ar-1"));
}

TEST_F(Biography, AFailureLeavesNoTraceAndTheNextCallAsksAgain) {
    server->injectFault(loopback::FakeFault::subsonicError(0), 1, "getArtistInfo2");
    load("ar-1");
    EXPECT_FALSE(biography("ar-1"));
    EXPECT_FALSE(model->error().value());
    EXPECT_TRUE(model->offlineState().connectionAvailable());
    load("ar-1");
    EXPECT_EQ(requests("getArtistInfo2"), 2u);
    EXPECT_TRUE(biography("ar-1"));
}

} // namespace
} // namespace sorvalind::test
