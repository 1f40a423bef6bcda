// Routes and history, the album-song reveal, links from song details and
// statistics, an artist's albums, legacy credits and the scroll keys.

#include "app_model_fixture.h"

#include "platform/text/text.h"

namespace sorvalind::test {
namespace {

struct Navigation : AppModelFixture {
    void SetUp() override {
        make(std::nullopt);
        start();
    }
    using Routes = std::vector<std::string>;
    Routes back() const { return model->backRoutes().value(); }
    Routes forward() const { return model->forwardRoutes().value(); }
};

TEST_F(Navigation, TheHistoryFollowsEveryRouteChange) {
    model->setRoute("Albums");
    model->setRoute("album:x");
    EXPECT_EQ(back(), (Routes{"Home", "Albums"}));
    model->setRoute("album:x"); // the same route again
    EXPECT_EQ(back(), (Routes{"Home", "Albums"}));

    model->setQuery("abc");
    model->goBack();
    EXPECT_EQ(model->route().value(), "Albums");
    EXPECT_EQ(model->query().value(), "");
    EXPECT_EQ(back(), (Routes{"Home"}));
    EXPECT_EQ(forward(), (Routes{"album:x"}));
    model->goForward();
    EXPECT_EQ(model->route().value(), "album:x");
    EXPECT_EQ(back(), (Routes{"Home", "Albums"}));
    model->goBack();
    model->setRoute("Artists");
    EXPECT_TRUE(forward().empty());
    EXPECT_EQ(back(), (Routes{"Home", "Albums"}));

    // None counts as "Home"; duplicates are kept.
    model->setRoute(std::nullopt);
    model->setRoute("Albums");
    EXPECT_EQ(back(), (Routes{"Home", "Albums", "Artists", "Home"}));
}

TEST_F(Navigation, GoingBackWithoutHistoryChangesNothing) {
    model->setQuery("kept");
    model->goBack();
    model->goForward();
    EXPECT_EQ(model->query().value(), "kept");
    EXPECT_EQ(model->route().value(), "Home");
}

TEST_F(Navigation, TheRevealWaitsForTheAlbumsOwnSongs) {
    Song song = Song::make("s1", "One", std::nullopt, "al-1");
    model->showAlbum(song);
    EXPECT_EQ(model->route().value(), "album:al-1");
    const auto first = model->albumSongReveal().value();
    ASSERT_TRUE(first);
    EXPECT_EQ(model->readyAlbumSongReveal(), std::nullopt); // not loaded yet
    await(model->load());
    EXPECT_EQ(model->readyAlbumSongReveal(), first);

    // The same song again: a new request on the same page.
    model->showAlbum(song);
    EXPECT_NE(model->albumSongReveal().value(), first);
    EXPECT_EQ(back(), (std::vector<std::string>{"Home"}));
    model->setQuery("x");
    EXPECT_EQ(model->readyAlbumSongReveal(), std::nullopt);
    model->setQuery("");

    model->setRoute("album:al-1"); // the same route keeps the reveal
    EXPECT_TRUE(model->albumSongReveal().value());
    model->setRoute("Songs");
    EXPECT_EQ(model->albumSongReveal().value(), std::nullopt);

    song.albumId.reset();
    model->showAlbum(song);
    EXPECT_EQ(model->route().value(), "Songs");
}

TEST_F(Navigation, LinksOpenTheirPages) {
    model->showArtist(Artist::make("", "Nobody"));
    EXPECT_EQ(model->route().value(), "Home");

    model->setQuery("text");
    model->showArtist(Artist::make("ar-9", "Nine"));
    model->showArtist(Artist::make("ar-9", "Nine"));
    EXPECT_EQ(model->route().value(), "artist:ar-9");
    EXPECT_EQ(model->query().value(), "");
    EXPECT_EQ(model->artists().value()->size(), 1u);

    model->showSongDetailDestination(SongDetailDestination::album("al-9", "Nine's"));
    EXPECT_EQ(model->route().value(), "album:al-9");
    EXPECT_EQ(model->albums().value()->back(), Album::make("al-9", "Nine's"));
    model->showSongDetailDestination(SongDetailDestination::genre("Jazz"));
    EXPECT_EQ(model->route().value(), "genre:Jazz");
    EXPECT_TRUE(model->genres().value().empty());

    model->activateStatistics(ListeningStatistics::Action::search("blue"), {});
    EXPECT_EQ(model->route().value(), "Search");
    EXPECT_EQ(model->query().value(), "blue");
}

TEST_F(Navigation, AStatisticsSongPlaysItsRankingOrItself) {
    const std::vector<Song> top = {Song::make("a", "A"), Song::make("b", "B")};
    model->activateStatistics(ListeningStatistics::Action::song(top[1]), top);
    model->activateStatistics(ListeningStatistics::Action::song(Song::make("c", "C")), top);
    ASSERT_EQ(playback->plays.size(), 2u);
    EXPECT_EQ(playback->plays[0].songIDs, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(playback->plays[0].startingAt, "b");
    EXPECT_EQ(playback->plays[1].songIDs, (std::vector<std::string>{"c"}));
    EXPECT_EQ(model->route().value(), "Home");
}

TEST_F(Navigation, CreditsAndAnArtistsAlbums) {
    shutdown();
    makeConfigured();
    start();
    const auto artists = *model->artists().value();
    ASSERT_FALSE(artists.empty());
    const Artist& artist = artists.front();

    EXPECT_EQ(model->legacyArtistCredits(std::nullopt, "ar-unknown"),
              (std::vector<Artist>{Artist::make("ar-unknown", "Unknown Artist")}));
    EXPECT_EQ(model->legacyArtistCredits(std::nullopt, artist.id),
              (std::vector<Artist>{Artist::make(artist.id, artist.name)}));
    EXPECT_EQ(model->legacyArtistCredits("Shown", artist.id),
              (std::vector<Artist>{Artist::make(artist.id, "Shown")}));
    EXPECT_EQ(model->legacyArtistCredits(text::toUpper(artist.name), ""), (std::vector<Artist>{artist}));
    EXPECT_TRUE(model->legacyArtistCredits("No Such Artist", std::nullopt).empty());

    // An album of another artist shows on the artist's page once one of the
    // artist's songs belongs to it.
    const Album other = [&] {
        for (const auto& album : *model->albums().value())
            if (album.artistId != artist.id) return album;
        return Album();
    }();
    Song guest = onStore([&](LibraryRepository& repository) {
                     return repository.songs("", SongSort::title, false, other.id);
                 }).front();
    const auto own = model->albumsForArtistID(artist.id).size();
    Song credited = guest;
    credited.artistId = artist.id;
    credited.artists = std::vector<Artist>{Artist::make(artist.id, artist.name)};
    onStore([credited](LibraryRepository& repository) {
        SearchPage page;
        page.song = std::vector<Song>{credited};
        repository.ingest(page, "extra");
    });
    EXPECT_EQ(model->albumsForArtistID(artist.id).size(), own);
    model->setRoute("artist:" + artist.id);
    await(model->load());
    EXPECT_EQ(model->albumsForArtistID(artist.id).size(), own + 1);
}

TEST_F(Navigation, ScrollKeysFollowTheRouteAndTheSearch) {
    const auto home = model->browseScrollKey("albums");
    EXPECT_EQ(home, (BrowseScrollKey{"Home", "", "albums"}));
    model->setQuery("x");
    const auto searched = model->browseScrollKey("albums");
    EXPECT_NE(home, searched);
    model->browseScrollOffsets()[home] = 120;
    model->browseScrollOffsets()[searched] = 40;
    EXPECT_EQ(model->browseScrollOffsets().at(home), 120);
    EXPECT_FALSE(model->isCurrent(home));
    EXPECT_TRUE(model->isCurrent(BrowseScrollKey{"Home", "x", "genres"}));
}

} // namespace
} // namespace sorvalind::test
