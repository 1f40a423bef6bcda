// Sharing: which destinations are offered, one share at a time, the link on
// the pasteboard with its status line, each destination's failure text, the
// permission check after a refused server share, and going offline mid-share.

#include "app_model_fixture.h"

#include "support/catalogue_server.h"

namespace sorvalind::test {
namespace {

constexpr const char* haloURL = "https://music.apple.com/gb/album/halo/1440831203?i=1440831624";

Song halo() {
    Song song = Song::make("s1", "Halo");
    song.artists = std::vector<Artist>{Artist::make("a1", "Beyoncé")};
    song.duration = 261;
    return song;
}

struct Sharing : AppModelFixture {
    CatalogueServer catalogue;
    std::vector<Song> stored;

    void SetUp() override { makeSharing(); }

    void makeSharing() {
        AppEnvironment sharing = environment();
        sharing.catalogueSearchBase = catalogue.baseURL();
        make(std::move(sharing), configuration());
        start();
        stored = onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
        ASSERT_GE(stored.size(), 2u);
        ASSERT_TRUE(model->canShareSongs());
    }
    void answerCatalogue(int status, std::string body) {
        catalogue.setHandler([=](const CatalogueRequest&) { return CatalogueAnswer{status, body, ""}; });
    }
    // Starts the share and waits for its end.
    void share(const std::vector<Song>& songs, SongShareDestination destination) {
        model->share(songs, destination);
        ASSERT_TRUE(model->creatingShare().value());
        await(model->sharingTask());
        EXPECT_FALSE(model->creatingShare().value());
        EXPECT_FALSE(model->sharingTask());
    }
};

TEST_F(Sharing, DestinationsAreOfferedOnlyWhereTheyCanWork) {
    Song untitled = halo();
    untitled.title = " ";
    Song noArtist = halo();
    noArtist.artists.reset();
    noArtist.artist.reset();
    const std::vector<Song> two{halo(), stored[0]};
    struct Case {
        const char* what;
        std::vector<Song> songs;
        bool navidrome, appleMusic, songlink;
    };
    for (const Case& c :
         {Case{"one song", {halo()}, true, true, true}, Case{"two songs", two, true, false, false},
          Case{"no song", {}, false, false, false}, Case{"no title", {untitled}, true, false, false},
          Case{"no artist", {noArtist}, true, false, false}}) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(model->canShare(c.songs, SongShareDestination::navidrome), c.navidrome);
        EXPECT_EQ(model->canShare(c.songs, SongShareDestination::appleMusic), c.appleMusic);
        EXPECT_EQ(model->canShare(c.songs, SongShareDestination::songlink), c.songlink);
    }
    // What is not offered is not done either.
    model->share(two, SongShareDestination::songlink);
    EXPECT_FALSE(model->creatingShare().value());
    main.runUntilIdle();
    EXPECT_EQ(catalogue.requestCount("/search"), 0u);

    // Offline nothing is offered.
    model->setForceOfflineMode(true);
    for (const SongShareDestination destination : allSongShareDestinations)
        EXPECT_FALSE(model->canShare({halo()}, destination)) << rawValue(destination);
    EXPECT_FALSE(model->canShareSongs());
}

TEST_F(Sharing, AServerShareCopiesItsLinkAndASecondShareMeanwhileIsIgnored) {
    answerCatalogue(200, catalogueBody({catalogueResult("Halo", "Beyoncé", haloURL, 261000)}));
    auto gate = std::make_unique<MethodGate>(*server, "createShare");
    model->share({stored[1], stored[0]}, SongShareDestination::navidrome);
    ASSERT_TRUE(model->creatingShare().value());
    for (const SongShareDestination destination : allSongShareDestinations)
        EXPECT_FALSE(model->canShare({halo()}, destination)) << rawValue(destination);
    model->share({stored[0]}, SongShareDestination::navidrome);
    model->share({halo()}, SongShareDestination::appleMusic);
    const TaskHandle running = model->sharingTask();
    gate->openAll();
    await(running);
    main.runUntilIdle();

    EXPECT_EQ(requests("createShare"), 1u);
    EXPECT_EQ(catalogue.requestCount("/search"), 0u);
    const auto shares = server->withLibrary([](loopback::FakeLibrary& library) { return library.shares; });
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0], (std::vector<std::string>{stored[1].id, stored[0].id}));
    EXPECT_EQ(pasteboard.strings, std::vector<std::string>{server->baseUrl() + "/share/sh-1"});
    EXPECT_EQ(model->status().value(), "Navidrome Link copied");
    EXPECT_FALSE(model->creatingShare().value());
    EXPECT_FALSE(model->error().value());
}

TEST_F(Sharing, ARefusedServerShareAsksWhetherTheUserMayStillShare) {
    struct Case {
        const char* what;
        std::optional<bool> shareRole; // none: "getUser" fails as well
        bool stillOffered;
    };
    const auto standard = server->method("getUser");
    for (const Case& c : {Case{"still allowed", true, true}, Case{"permission lost", false, false},
                          Case{"permission unknown", std::nullopt, false}}) {
        SCOPED_TRACE(c.what);
        server->setMethod("getUser", [this, c](const loopback::FakeRequest&, httplib::Response& res) {
            if (!c.shareRole) return server->failedResponse(res, 0, "Unavailable");
            server->okResponse(res, {{"user", {{"username", "alice"}, {"shareRole", *c.shareRole}}}});
        });
        server->injectFault(loopback::FakeFault::subsonicError(50), 1, "createShare");
        const std::string status = model->status().value();
        share({stored[0]}, SongShareDestination::navidrome);

        EXPECT_EQ(model->error().value(), "This account does not have permission to perform that operation.");
        EXPECT_EQ(model->supportsSharing().value(), c.stillOffered);
        EXPECT_EQ(model->canShare({stored[0]}, SongShareDestination::navidrome), c.stillOffered);
        EXPECT_TRUE(pasteboard.strings.empty());
        EXPECT_EQ(model->status().value(), status);
        if (!c.stillOffered) {
            server->setMethod("getUser", standard);
            shutdown();
            makeSharing();
        }
    }
}

TEST_F(Sharing, CatalogueLinksAndTheirOwnFailureTexts) {
    const std::string songlink = AppleMusicLinkResolver::songlinkURL(haloURL).value();
    const std::string found = catalogueBody({catalogueResult("Halo", "Beyoncé", haloURL, 261000)});
    const std::string nothing = catalogueBody({});
    struct Case {
        SongShareDestination destination;
        int status;
        std::string body;
        std::string copied; // empty: the share fails
        std::string text;   // the status line, or the error message
    };
    const std::vector<Case> cases = {
        {SongShareDestination::appleMusic, 200, found, haloURL, "Apple Music Link copied"},
        {SongShareDestination::songlink, 200, found, songlink, "Songlink copied"},
        {SongShareDestination::appleMusic, 200, nothing, "", "No matching song was found on Apple Music."},
        {SongShareDestination::songlink, 200, nothing, "",
         "No matching song was found in Apple's catalog for Songlink."},
        {SongShareDestination::appleMusic, 503, found, "",
         "Apple Music links are unavailable right now. Please try again later."},
        {SongShareDestination::songlink, 503, found, "",
         "Songlink could not be created because Apple's catalog lookup is unavailable. Please try again "
         "later."},
    };
    int distinct = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.destination)) + " " + std::to_string(c.status) + " " + c.text);
        answerCatalogue(c.status, c.body);
        pasteboard.strings.clear();
        model->clearError();
        // A song of its own each time: the resolver remembers its matches.
        Song song = halo();
        song.album = "Take " + std::to_string(++distinct);
        share({song}, c.destination);

        if (!c.copied.empty()) {
            EXPECT_EQ(pasteboard.strings, std::vector<std::string>{c.copied});
            EXPECT_EQ(model->status().value(), c.text);
            EXPECT_FALSE(model->error().value());
        } else {
            EXPECT_TRUE(pasteboard.strings.empty());
            EXPECT_EQ(model->error().value(), c.text);
        }
        // A catalogue that fails says nothing about the music server.
        EXPECT_TRUE(model->offlineState().connectionAvailable());
        EXPECT_TRUE(model->supportsSharing().value());
    }
}

TEST_F(Sharing, GoingOfflineCancelsTheShareWithoutATrace) {
    auto gate = std::make_unique<MethodGate>(*server, "createShare");
    model->share({stored[0]}, SongShareDestination::navidrome);
    const TaskHandle running = model->sharingTask();
    drive([&] { return requests("createShare") == 1; });
    model->setForceOfflineMode(true);
    gate->openAll();
    await(running);
    main.runUntilIdle();

    EXPECT_TRUE(pasteboard.strings.empty());
    EXPECT_FALSE(model->error().value());
    EXPECT_EQ(model->status().value(), AppModel::offlineStatus);
    EXPECT_FALSE(model->creatingShare().value());
    // The permission was not put in doubt.
    EXPECT_TRUE(model->supportsSharing().value());
    EXPECT_EQ(requests("getUser"), 1u);
}

TEST(SongShareDestination, RawValuesAndLabels) {
    std::vector<std::pair<std::string, std::string>> seen;
    for (const SongShareDestination destination : allSongShareDestinations) {
        seen.emplace_back(rawValue(destination), label(destination));
        EXPECT_EQ(songShareDestination(rawValue(destination)), destination);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{{"navidrome", "Navidrome Link"},
                                                                      {"appleMusic", "Apple Music Link"},
                                                                      {"songlink", "Songlink"}}));
    for (const char* other : {"", "Navidrome", "apple_music", "songlink "})
        EXPECT_FALSE(songShareDestination(other)) << other;
}

} // namespace
} // namespace sorvalind::test
