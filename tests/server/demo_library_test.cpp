// The demo's library as a client sees it: the records the views must cope
// with (markup-like names, missing covers, a very light cover) and real
// audio behind every song.

#include "http/http_session.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/demo_library.h"
#include "support/media_request.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>

namespace sorvalind::test {
namespace {

struct DemoLibrary : ::testing::Test {
    static void SetUpTestSuite() {
        folder = fixtures::temporaryFolder("demo-library");
        server = loopback::startDemoServer(folder).release();
    }
    static void TearDownTestSuite() {
        delete server;
        std::filesystem::remove_all(folder);
    }
    nlohmann::json call(const std::string& method, std::vector<QueryItem> parameters) {
        const HttpResponse response = session.perform(mediaRequest(*server, method, std::move(parameters)));
        EXPECT_EQ(response.status(), 200);
        return nlohmann::json::parse(response.body)["subsonic-response"];
    }
    std::string bytes(const std::string& method, const std::string& id, std::vector<QueryItem> more = {}) {
        more.insert(more.begin(), {"id", id});
        const HttpResponse response = session.perform(mediaRequest(*server, method, std::move(more)));
        EXPECT_EQ(response.status(), 200);
        return response.body;
    }

    static inline std::filesystem::path folder;
    static inline loopback::FakeSubsonicServer* server = nullptr;
    HttpSession session;
};

TEST_F(DemoLibrary, HoldsTheNamesAndMissingCoversTheViewsMustShowPlainly) {
    EXPECT_EQ(server->options().user, loopback::DemoLogin::user);
    const nlohmann::json result = call(
        "search3",
        {{"query", ""}, {"artistCount", "50"}, {"albumCount", "50"}, {"songCount", "50"}})["searchResult3"];
    std::set<std::string> names;
    int artistsWithoutCover = 0;
    int albumsWithoutCover = 0;
    for (const auto& artist : result["artist"]) {
        names.insert(artist["name"]);
        artistsWithoutCover += !artist.contains("coverArt");
    }
    for (const auto& album : result["album"]) {
        names.insert(album["name"]);
        albumsWithoutCover += !album.contains("coverArt");
    }
    EXPECT_EQ(result["artist"].size(), 3u);
    EXPECT_EQ(result["album"].size(), 6u);
    ASSERT_GE(result["song"].size(), 12u);
    EXPECT_EQ(artistsWithoutCover, 1);
    EXPECT_EQ(albumsWithoutCover, 1);
    EXPECT_TRUE(names.count("Ada & the Lanterns"));
    EXPECT_TRUE(names.count("<b>Bold</b> Harbour"));
    for (const auto& song : result["song"]) {
        EXPECT_GE(song["duration"].get<int>(), 5);
        EXPECT_LE(song["duration"].get<int>(), 20);
    }
}

TEST_F(DemoLibrary, ServesCoversAndPlayableAudio) {
    // The very light cover: a PNG whose first pixel is near white.
    const std::string light = bytes("getCoverArt", "al-5");
    ASSERT_GT(light.size(), 60u);
    EXPECT_EQ(light.substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto firstPixel = static_cast<unsigned char>(light[33 + 8 + 2 + 5 + 1]);
    EXPECT_GE(firstPixel, 230);
    EXPECT_EQ(bytes("getCoverArt", "al-1").substr(1, 3), "PNG");

    const std::string flac = bytes("download", "so-1");
    EXPECT_EQ(flac.substr(0, 4), "fLaC");
    const nlohmann::json song = call("getSong", {{"id", "so-1"}})["song"];
    EXPECT_EQ(song["size"].get<std::size_t>(), flac.size());
    // Transcoded streams exist too, for the lower streaming qualities.
    const std::string mp3 = bytes("stream", "so-1", {{"format", "mp3"}});
    ASSERT_GT(mp3.size(), 3u);
    EXPECT_TRUE(mp3.substr(0, 3) == "ID3" || static_cast<unsigned char>(mp3[0]) == 0xFF);
}

} // namespace
} // namespace sorvalind::test
