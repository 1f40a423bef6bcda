// The home banner's rotation as the model keeps it: fed by loading, moved,
// reshuffled and selected by the banner's controls, on a fixed shuffle.

#include "app_model_fixture.h"

namespace sorvalind::test {
namespace {

std::vector<std::string> albumIDs(const std::vector<Album>& albums) {
    std::vector<std::string> ids;
    for (const Album& album : albums)
        ids.push_back(album.id);
    return ids;
}

struct FeaturedRotation : AppModelFixture {
    // Every draw takes the last candidate, so a shuffle leaves the order as
    // it was: the rotation is the library's albums in the store's order.
    void startWith(std::optional<loopback::FakeLibrary::Shape> shape = std::nullopt) {
        if (shape) useServer({.library = *shape});
        AppEnvironment fixed = environment();
        fixed.shuffle = [this](std::size_t bound) {
            ++draws;
            return bound - 1;
        };
        make(std::move(fixed), configuration());
        start();
        library = albumIDs(*model->featuredAlbumLibrary().value());
    }
    std::vector<std::string> rotation() const { return albumIDs(model->featuredAlbums().value().albums); }
    std::optional<std::string> shown() const { return model->featuredAlbums().value().selectedID; }

    int draws = 0;
    std::vector<std::string> library;
};

TEST_F(FeaturedRotation, LoadingFillsTheRotationAndKeepsWhatIsShown) {
    startWith();
    ASSERT_EQ(library.size(), 6u);
    EXPECT_GT(draws, 0);
    EXPECT_EQ(rotation(), std::vector<std::string>(library.begin(), library.begin() + 5));
    EXPECT_EQ(shown(), library[0]);

    // A later load keeps the rotation and the album shown.
    model->moveFeaturedAlbum(2);
    model->setRoute("Albums");
    await(model->load());
    EXPECT_EQ(rotation(), std::vector<std::string>(library.begin(), library.begin() + 5));
    EXPECT_EQ(shown(), library[2]);
}

TEST_F(FeaturedRotation, MovingWrapsBothWays) {
    startWith();
    struct Step {
        std::ptrdiff_t offset;
        std::size_t shows;
    };
    // From the first album of five.
    const Step steps[] = {{-1, 4}, {1, 0}, {1, 1}, {7, 3}, {-9, 4}, {0, 4}, {5, 4}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.offset);
        model->moveFeaturedAlbum(step.offset);
        EXPECT_EQ(shown(), library[step.shows]);
    }
}

TEST_F(FeaturedRotation, SelectingShowsOnlyAnAlbumOfTheRotation) {
    startWith();
    std::vector<std::optional<std::string>> seen;
    auto subscription = model->featuredAlbums().subscribe(
        [&](const FeaturedAlbums& featured) { seen.push_back(featured.selectedID); });

    model->selectFeaturedAlbum(library[3]);
    EXPECT_EQ(shown(), library[3]);
    // The sixth album is in the library but not featured; the rest is unknown.
    for (const std::string& outside : {library[5], std::string("missing"), std::string()}) {
        model->selectFeaturedAlbum(outside);
        EXPECT_EQ(shown(), library[3]) << outside;
    }
    // Selecting the album shown publishes nothing new.
    model->selectFeaturedAlbum(library[3]);
    EXPECT_EQ(seen, (std::vector<std::optional<std::string>>{library[0], library[3]}));
}

TEST_F(FeaturedRotation, RefreshingPrefersNewAlbumsAndNeverOpensWithTheShownOne) {
    startWith();
    // One album was never featured: it opens the new rotation, topped up in
    // order from the rest.
    model->selectFeaturedAlbum(library[1]);
    model->refreshFeaturedAlbums();
    EXPECT_EQ(rotation(),
              (std::vector<std::string>{library[5], library[0], library[1], library[2], library[3]}));
    EXPECT_EQ(shown(), library[5]);
}

TEST_F(FeaturedRotation, RefreshingASmallLibraryMovesTheShownAlbumAway) {
    startWith(
        loopback::FakeLibrary::Shape{.artists = 2, .albumsPerArtist = 2, .songsPerAlbum = 1, .playlists = 0});
    ASSERT_EQ(library.size(), 4u);
    ASSERT_EQ(rotation(), library);
    const std::vector<std::string>& a = library;
    struct Step {
        std::size_t shownBefore;
        std::vector<std::string> rotation;
    };
    // Every album is featured already, so each new rotation is the library
    // in order again; when it would open with the album shown, the first two
    // swap.
    const Step steps[] = {
        {0, {a[1], a[0], a[2], a[3]}},
        {2, {a[0], a[1], a[2], a[3]}},
        {0, {a[1], a[0], a[2], a[3]}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.shownBefore);
        model->selectFeaturedAlbum(a[step.shownBefore]);
        model->refreshFeaturedAlbums();
        EXPECT_EQ(rotation(), step.rotation);
        EXPECT_EQ(shown(), step.rotation.front());
    }
}

} // namespace
} // namespace sorvalind::test
