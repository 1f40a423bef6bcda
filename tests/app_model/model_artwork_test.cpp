// Cover images through the model's artwork seam: the real cache over the
// loopback server (the fake decoder), and the stand-in of a model without one.

#include "app_model_fixture.h"
#include "fake_image_decoder.h"

#include "model/cached_artwork.h"

namespace sorvalind::test {
namespace {

struct ModelArtwork : AppModelFixture {
    std::shared_ptr<FakeImageDecoder> decoder = std::make_shared<FakeImageDecoder>();

    ModelArtwork() {
        useServer({.library = {.artists = 1, .albumsPerArtist = 1, .songsPerAlbum = 1, .playlists = 0}});
        server->setCoverArt("al-1", FakeImageDecoder::encode(20, 10, {10, 20, 30, 255}));
    }
    void makeWithCache() {
        AppEnvironment environment = this->environment();
        environment.makeArtwork = makeCachedArtworkFactory(main, workers, clock.steady(), decoder);
        make(std::move(environment), configuration());
        start();
    }

    // Asks for the image and drives the main actor until the reply, which
    // must not come before the main actor runs.
    DecodedImagePointer image(const std::string& id, std::shared_ptr<APIClient> api) {
        std::optional<DecodedImagePointer> reply;
        model->artwork().image(id, std::move(api),
                               [&](DecodedImagePointer image) { reply = std::move(image); });
        EXPECT_FALSE(reply.has_value()) << "answered before the main actor ran";
        drive([&] { return reply.has_value(); });
        return reply.value_or(nullptr);
    }
};

TEST_F(ModelArtwork, ImagesAnswerOnTheMainActorAndStayInMemory) {
    makeWithCache();
    EXPECT_EQ(model->artwork().cachedImage("al-1"), nullptr);

    const DecodedImagePointer first = image("al-1", model->api());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width, 20);
    EXPECT_EQ(first->height, 10);
    EXPECT_EQ(model->artwork().cachedImage("al-1"), first);

    // Offline the memory tier still answers, with the very same image.
    const std::size_t downloads = requests("getCoverArt");
    EXPECT_EQ(image("al-1", nullptr), first);
    EXPECT_EQ(requests("getCoverArt"), downloads);
    EXPECT_EQ(decoder->decodes(), 1);
}

TEST_F(ModelArtwork, MissesAndAShutDownCacheAnswerNone) {
    makeWithCache();
    // The server has no such cover; offline nothing is asked.
    EXPECT_EQ(image("al-none", model->api()), nullptr);
    EXPECT_EQ(model->artwork().cachedImage("al-none"), nullptr);
    const std::size_t downloads = requests("getCoverArt");
    EXPECT_EQ(image("al-other", nullptr), nullptr);
    EXPECT_EQ(requests("getCoverArt"), downloads);

    ASSERT_NE(image("al-1", model->api()), nullptr);
    shutdown();
    EXPECT_EQ(model->artwork().cachedImage("al-1"), nullptr);
    EXPECT_EQ(image("al-1", nullptr), nullptr);
}

TEST_F(ModelArtwork, AModelWithoutACacheHasNoImages) {
    AppEnvironment environment = this->environment();
    environment.makeArtwork = {};
    make(std::move(environment), configuration());
    start();

    EXPECT_EQ(model->artwork().cachedImage("al-1"), nullptr);
    std::optional<DecodedImagePointer> reply;
    model->artwork().image("al-1", model->api(),
                           [&](DecodedImagePointer image) { reply = std::move(image); });
    drive([&] { return reply.has_value(); });
    EXPECT_EQ(*reply, nullptr);
    EXPECT_EQ(requests("getCoverArt"), 0u);
}

} // namespace
} // namespace sorvalind::test
