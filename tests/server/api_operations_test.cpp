#include "server/api_client.h"

#include "errors/api_error.h"
#include "errors/url_error.h"
#include "http/network_security.h"
#include "library/json_coding.h"
#include "loopback/fake_subsonic_server.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"
#include "support/drive_until.h"
#include "support/full_song.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <future>
#include <thread>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;
using loopback::FakeFault;
using loopback::FakeRequest;
using loopback::FakeSubsonicServer;

struct OperationsTest : ::testing::Test {
    VirtualClock clock;
    ManualExecutor main{clock};
    loopback::FakeSubsonicServer server;
    APIClient client{ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main,
                     NetworkSecurity::session(), clock.wall()};

    // Runs `operation` on a worker while the main actor runs its callbacks.
    template <class F> auto run(F operation) {
        auto result = std::async(std::launch::async, std::move(operation));
        test::driveUntil(main, [&] { return result.wait_for(0s) == std::future_status::ready; });
        return result.get();
    }

    // Answers `method` with the envelope's payload.
    void answer(const std::string& method, nlohmann::json payload) {
        server.setMethod(method, [this, payload](const loopback::FakeRequest&, httplib::Response& res) {
            server.okResponse(res, payload);
        });
    }

    loopback::FakeRequest last(const std::string& method) {
        loopback::FakeRequest found;
        for (const auto& request : server.requests())
            if (request.restMethod == method) found = request;
        return found;
    }

    template <class F> std::optional<APIError::Case> failureOf(F operation) {
        try {
            run(operation);
            return std::nullopt;
        } catch (const APIError& error) {
            return error.kind();
        }
    }
};

TEST_F(OperationsTest, ValidateToleratesPlainSubsonicServers) {
    auto extensions = run([&] { return client.validate(); });
    ASSERT_EQ(extensions.size(), 3u);
    EXPECT_EQ(extensions[1].name, "transcodeOffset");

    server.injectFault(loopback::FakeFault::subsonicError(70), 1, "getOpenSubsonicExtensions");
    EXPECT_TRUE(run([&] { return client.validate(); }).empty());
    server.injectFault(loopback::FakeFault::subsonicError(40), 1, "getOpenSubsonicExtensions");
    EXPECT_EQ(failureOf([&] { return client.validate(); }), APIError::Case::server);
    server.injectFault(loopback::FakeFault::status(404), 1, "getOpenSubsonicExtensions");
    EXPECT_EQ(failureOf([&] { return client.validate(); }), APIError::Case::http);
    answer("getOpenSubsonicExtensions", nlohmann::json::object());
    EXPECT_EQ(failureOf([&] { return client.validate(); }), APIError::Case::response);
}

// Some plain Subsonic servers refuse the method they do not know with HTTP
// 404 and their own failed envelope.
TEST(PlainSubsonicSignIn, UnknownExtensionsMethodAnsweredWith404) {
    VirtualClock clock;
    ManualExecutor main{clock};
    loopback::FakeSubsonicServer::Options options;
    options.openSubsonic = false;
    options.unknownMethodIs404 = true;
    loopback::FakeSubsonicServer server(options);
    APIClient client{ServerConfiguration(server.baseUrl(), "alice", true), "sesame", main,
                     NetworkSecurity::session(), clock.wall()};
    auto run = [&](auto operation) {
        auto result = std::async(std::launch::async, std::move(operation));
        test::driveUntil(main, [&] { return result.wait_for(0s) == std::future_status::ready; });
        return result.get();
    };
    auto failure = [&](auto operation) -> std::optional<APIError::Case> {
        try {
            run(operation);
            return std::nullopt;
        } catch (const APIError& error) {
            return error.kind();
        }
    };

    EXPECT_TRUE(run([&] { return client.validate(); }).empty());
    EXPECT_EQ(server.requestCount("ping"), 1u);
    EXPECT_EQ(server.requestCount("getOpenSubsonicExtensions"), 1u);

    // Only code 0 or 70 in a 404 means "no such method"; any other 404 is one.
    auto notFound = [&](int code, const std::string& body) {
        server.setMethod("getOpenSubsonicExtensions",
                         [code, body](const loopback::FakeRequest&, httplib::Response& res) {
                             res.status = code;
                             res.set_content(body, "application/json");
                         });
    };
    notFound(404, R"({"subsonic-response":{"status":"failed","error":{"code":70,"message":"x"}}})");
    EXPECT_TRUE(run([&] { return client.validate(); }).empty());
    notFound(404, R"({"subsonic-response":{"status":"failed","error":{"code":40,"message":"x"}}})");
    EXPECT_EQ(failure([&] { return client.validate(); }), APIError::Case::http);
    notFound(404, R"({"subsonic-response":{"status":"ok"}})");
    EXPECT_EQ(failure([&] { return client.validate(); }), APIError::Case::http);
    notFound(404, "404 page not found");
    EXPECT_EQ(failure([&] { return client.validate(); }), APIError::Case::http);
    notFound(500, R"({"subsonic-response":{"status":"failed","error":{"code":0,"message":"x"}}})");
    EXPECT_EQ(failure([&] { return client.validate(); }), APIError::Case::http);

    // Other methods keep 404 as an HTTP failure, envelope or not.
    server.setMethod("ping", [](const loopback::FakeRequest&, httplib::Response& res) {
        res.status = 404;
        res.set_content(R"({"subsonic-response":{"status":"failed","error":{"code":0,"message":"x"}}})",
                        "application/json");
    });
    EXPECT_EQ(failure([&] { return client.validate(); }), APIError::Case::http);
}

TEST_F(OperationsTest, LibraryPagesAndPlaylists) {
    SearchPage page = run([&] { return client.page(0, 1, 2, 5, {}); });
    auto request = last("search3");
    std::vector<std::pair<std::string, std::string>> sent;
    for (const auto& item : request.params)
        if (item.name != "u" && item.name != "t" && item.name != "s" && item.name != "v" &&
            item.name != "c" && item.name != "f")
            sent.emplace_back(item.name, item.value.value_or("?"));
    EXPECT_EQ(sent, (std::vector<std::pair<std::string, std::string>>{{"query", ""},
                                                                      {"artistCount", "5"},
                                                                      {"albumCount", "5"},
                                                                      {"songCount", "5"},
                                                                      {"artistOffset", "0"},
                                                                      {"albumOffset", "1"},
                                                                      {"songOffset", "2"}}));
    // Each list is the window asked for, each record as the server sent it.
    auto ids = [](const auto& records) {
        std::vector<std::string> out;
        if (records)
            for (const auto& record : *records)
                out.push_back(record.id);
        return out;
    };
    EXPECT_EQ(ids(page.artist), (std::vector<std::string>{"ar-1", "ar-2", "ar-3"}));
    EXPECT_EQ(ids(page.album), (std::vector<std::string>{"al-2", "al-3", "al-4", "al-5", "al-6"}));
    EXPECT_EQ(ids(page.song), (std::vector<std::string>{"so-3", "so-4", "so-5", "so-6", "so-7"}));
    ASSERT_TRUE(page.song && page.album && page.artist);
    const Song& third = page.song->front();
    EXPECT_EQ(third.title, "Song 3");
    EXPECT_EQ(third.albumId, "al-1");
    EXPECT_EQ(third.track, 3);
    EXPECT_EQ(third.duration, 123.0);
    EXPECT_EQ(third.isVideo, false);
    server.withLibrary([&](loopback::FakeLibrary& library) {
        for (std::size_t i = 0; i < page.song->size(); ++i)
            EXPECT_EQ(page.song->at(i), fromJSON<Song>(library.songs[i + 2])) << i;
        EXPECT_EQ(page.album->front(), fromJSON<Album>(library.albums[1]));
        EXPECT_EQ(page.artist->back(), fromJSON<Artist>(library.artists[2]));
    });

    // Songs with every field present come through whole.
    const std::vector<Song> full = {test::fullSong(1), test::fullSong(2)};
    answer("search3", {{"searchResult3", {{"song", {full[0].encode(), full[1].encode()}}}}});
    SearchPage fullPage = run([&] { return client.page(0, 0, 0, 2, {}); });
    EXPECT_EQ(fullPage.song, full);
    EXPECT_FALSE(fullPage.album);
    EXPECT_FALSE(fullPage.artist);

    auto playlists = run([&] { return client.playlists({}); });
    ASSERT_EQ(playlists.size(), 2u);
    Playlist playlist = run([&] { return client.playlist(playlists[0].id, {}); });
    EXPECT_EQ(playlist.id, playlists[0].id);

    answer("getPlaylists", {{"playlists", nlohmann::json::object()}});
    EXPECT_TRUE(run([&] { return client.playlists({}); }).empty());
    answer("getPlaylists", nlohmann::json::object());
    EXPECT_EQ(failureOf([&] { return client.playlists({}); }), APIError::Case::response);
    answer("getPlaylists", {{"playlists", 5}});
    EXPECT_EQ(failureOf([&] { return client.playlists({}); }), APIError::Case::response);
}

TEST_F(OperationsTest, SongMustBeTheOneAskedFor) {
    EXPECT_EQ(run([&] { return client.song("so-1"); }).id, "so-1");
    answer("getSong", {{"song", {{"id", "so-2"}, {"title", "Other"}}}});
    EXPECT_EQ(failureOf([&] { return client.song("so-1"); }), APIError::Case::response);
}

TEST_F(OperationsTest, ArtistInfoAndSharingRole) {
    answer("getArtistInfo2", {{"artistInfo2", {{"biography", "<p>Hi &amp; bye</p>"}}}});
    EXPECT_EQ(run([&] { return client.artistInfo("ar-1"); }).biographyText(), "Hi & bye");
    EXPECT_EQ(last("getArtistInfo2").param("count"), "0");

    EXPECT_TRUE(run([&] { return client.sharingEnabled(); }));
    EXPECT_EQ(last("getUser").param("username"), "alice");
    answer("getUser", {{"user", {{"username", "alice"}}}});
    EXPECT_FALSE(run([&] { return client.sharingEnabled(); }));
}

TEST_F(OperationsTest, ShareLinksAreChecked) {
    using C = APIError::Case;
    EXPECT_EQ(failureOf([&] { return client.createShare({}); }), C::configuration);
    EXPECT_EQ(failureOf([&] { return client.createShare({"so-1", ""}); }), C::configuration);
    EXPECT_EQ(server.requestCount("createShare"), 0u);

    auto shareAnswering = [&](nlohmann::json share) {
        answer("createShare", {{"shares", {{"share", share}}}});
    };
    struct Case {
        std::string url;
        std::optional<C> failure;
    };
    const std::vector<Case> cases = {
        {"https://music.example.com/share/abc", std::nullopt},
        {"http://8.8.8.8/share/abc?x=1", std::nullopt},
        {"https://music.example.com/share/abc?T=1", C::unsafeRequest},
        {"https://music.example.com/share/abc?access_token=1", C::unsafeRequest},
        {"https://music.example.com/share/abc#f", C::response},
        {"ftp://music.example.com/share/abc", C::response},
        {"https://bob@music.example.com/share", C::response},
        {"not a url", C::response},
        {"HTTPS://Music.Example.com/share/abc", std::nullopt},
        {"https:///share/abc", C::response},
        {"https://music.example.com/share/abc#", C::response},
        {"https://music.example.com/share/abc?apiKey=1", C::unsafeRequest},
        {"https://music.example.com/share/abc?to%6Ben=1", C::unsafeRequest},
    };
    for (const auto& c : cases) {
        shareAnswering(nlohmann::json::array({{{"url", c.url}}, {{"url", "https://second.example"}}}));
        EXPECT_EQ(failureOf([&] { return client.createShare({"so-1", "so-2"}); }), c.failure) << c.url;
    }
    EXPECT_EQ(last("createShare").paramValues("id"), (std::vector<std::string>{"so-1", "so-2"}));
    shareAnswering(nlohmann::json::array());
    EXPECT_EQ(failureOf([&] { return client.createShare({"so-1"}); }), C::response);
}

TEST_F(OperationsTest, EditsSendTheirParameters) {
    run([&] {
        client.rate("so-1", 7);
        client.rate("so-2", -1);
        client.scrobble("so-1", false);
        client.annotate("al-1", true, LibraryItemKind::album);
        client.annotate("ar-1", false, LibraryItemKind::artist);
        return 0;
    });
    std::vector<std::string> ratings;
    for (const auto& request : server.requests())
        if (request.restMethod == "setRating") ratings.push_back(request.param("rating").value_or(""));
    EXPECT_EQ(ratings, (std::vector<std::string>{"5", "0"}));
    EXPECT_EQ(last("scrobble").param("submission"), "false");
    auto expectedTime =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.wallNow().time_since_epoch());
    EXPECT_EQ(last("scrobble").param("time"), std::to_string(expectedTime.count()));
    EXPECT_EQ(last("star").param("albumId"), "al-1");
    EXPECT_EQ(last("unstar").param("artistId"), "ar-1");
}

TEST_F(OperationsTest, SavingPlaylists) {
    run([&] {
        client.savePlaylist(std::nullopt, "Fresh", {});
        return 0;
    });
    EXPECT_EQ(last("createPlaylist").param("name"), "Fresh");
    EXPECT_FALSE(last("createPlaylist").param("playlistId"));
    EXPECT_EQ(server.requestCount("updatePlaylist"), 0u);

    auto existing = run([&] { return client.playlists({}); }).front().id;
    run([&] {
        client.savePlaylist(existing, "Renamed", {"so-3", "so-1"});
        return 0;
    });
    EXPECT_EQ(last("createPlaylist").param("playlistId"), existing);
    EXPECT_EQ(last("createPlaylist").paramValues("songId"), (std::vector<std::string>{"so-3", "so-1"}));
    EXPECT_EQ(last("updatePlaylist").param("name"), "Renamed");

    server.injectFault(loopback::FakeFault::subsonicError(50), 1, "createPlaylist");
    EXPECT_EQ(failureOf([&] {
                  client.savePlaylist(existing, "Again", {});
                  return 0;
              }),
              APIError::Case::server);
    EXPECT_EQ(server.requestCount("updatePlaylist"), 1u);
}

// Appending adds to what the server holds at that moment, so an entry added
// elsewhere since the client last looked stays. An answer lost on the way
// back is not sent again: a second append would add the songs twice.
TEST_F(OperationsTest, AppendingToPlaylists) {
    const std::string id = run([&] { return client.playlists({}); }).front().id;
    auto entryIDs = [&] {
        return songIDs(run([&] { return client.playlist(id, {}); }).entry.value_or(std::vector<Song>{}));
    };
    std::vector<std::string> expected = entryIDs();
    ASSERT_FALSE(expected.empty());
    server.withLibrary([&](loopback::FakeLibrary& library) {
        library.playlists[id]["entry"].push_back(*library.song("so-7"));
    });
    expected.push_back("so-7");

    run([&] {
        client.appendToPlaylist(id, {"so-2", expected.front(), "so-2"});
        return 0;
    });
    EXPECT_EQ(last("updatePlaylist").param("playlistId"), id);
    EXPECT_FALSE(last("updatePlaylist").param("name"));
    expected.insert(expected.end(), {"so-2", expected.front(), "so-2"});
    EXPECT_EQ(entryIDs(), expected);

    server.clearRequests();
    run([&] {
        client.appendToPlaylist(id, {});
        return 0;
    });
    EXPECT_EQ(server.requestCount("updatePlaylist"), 0u);

    server.injectFault(loopback::FakeFault::dropAt(0), 1, "updatePlaylist");
    EXPECT_THROW(run([&] {
                     client.appendToPlaylist(id, {"so-3"});
                     return 0;
                 }),
                 URLError);
    EXPECT_EQ(server.requestCount("updatePlaylist"), 1u);
    expected.push_back("so-3");
    EXPECT_EQ(entryIDs(), expected);

    // An unknown song refuses the whole append.
    EXPECT_EQ(failureOf([&] {
                  client.appendToPlaylist(id, {"so-4", "so-missing"});
                  return 0;
              }),
              APIError::Case::server);
    EXPECT_EQ(entryIDs(), expected);
}

// The form items of a built request, without the authentication items.
std::vector<std::pair<std::string, std::string>> callerItems(const HttpRequest& request) {
    std::vector<std::pair<std::string, std::string>> items;
    for (const auto& item : parseQueryItems(request.body))
        if (item.name != "u" && item.name != "t" && item.name != "s" && item.name != "v" &&
            item.name != "c" && item.name != "f")
            items.emplace_back(item.name, item.value.value_or("?"));
    return items;
}

TEST_F(OperationsTest, StreamAndDownloadRequests) {
    using Items = std::vector<std::pair<std::string, std::string>>;
    auto original = client.streamRequest("so-1", DownloadQuality::original);
    EXPECT_EQ(original.url.absoluteString(), server.baseUrl() + "/rest/stream.view");
    EXPECT_EQ(callerItems(original), (Items{{"id", "so-1"}, {"format", "raw"}, {"maxBitRate", "0"}}));
    EXPECT_EQ(callerItems(client.streamRequest("so-1", DownloadQuality::mp3_256)),
              (Items{{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "256"}}));

    struct Case {
        double seconds;
        DownloadQuality quality;
        std::optional<std::int64_t> source;
        Items expected;
    };
    const std::vector<Case> cases = {
        {90.7, DownloadQuality::mp3_320, 320, {{"maxBitRate", "319"}, {"timeOffset", "90"}}},
        {0.5, DownloadQuality::mp3_320, 320, {{"maxBitRate", "320"}, {"timeOffset", "0"}}},
        {0, DownloadQuality::mp3_320, 320, {{"maxBitRate", "320"}}},
        {10, DownloadQuality::mp3_192, 128, {{"maxBitRate", "127"}, {"timeOffset", "10"}}},
        {10, DownloadQuality::mp3_192, std::nullopt, {{"maxBitRate", "192"}, {"timeOffset", "10"}}},
        {10, DownloadQuality::original, std::nullopt, {{"maxBitRate", "320"}, {"timeOffset", "10"}}},
        {10, DownloadQuality::mp3_256, 1, {{"maxBitRate", "256"}, {"timeOffset", "10"}}},
    };
    for (const auto& c : cases) {
        Items expected = {{"id", "so-1"}, {"format", "mp3"}};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(callerItems(client.offsetStreamRequest("so-1", c.seconds, c.quality, c.source)), expected)
            << c.seconds;
    }
    for (double bad : {std::nan(""), double(INFINITY), 1e300})
        EXPECT_THROW(client.offsetStreamRequest("so-1", bad, DownloadQuality::mp3_320, std::nullopt),
                     APIError);

    auto download = client.downloadRequest("so-1", DownloadQuality::original);
    EXPECT_EQ(download.url.absoluteString(), server.baseUrl() + "/rest/download.view");
    EXPECT_EQ(callerItems(download), (Items{{"id", "so-1"}}));
    auto transcoded = client.downloadRequest("so-1", DownloadQuality::mp3_192);
    EXPECT_EQ(transcoded.url.absoluteString(), server.baseUrl() + "/rest/stream.view");
    EXPECT_EQ(callerItems(transcoded), (Items{{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "192"}}));
}

} // namespace
} // namespace sorvalind
