// The loopback fake Subsonic server itself: what later tests rely on it for.
#include "http/http_session.h"
#include "loopback/fake_subsonic_server.h"

#include <gtest/gtest.h>

#include <future>
#include <set>
#include <thread>

namespace sorvalind {
namespace {

using loopback::FakeFault;
using loopback::FakeRequest;
using loopback::FakeSubsonicServer;

class FakeServerTest : public ::testing::Test {
protected:
    explicit FakeServerTest(loopback::FakeSubsonicServer::Options options = {})
        : server(std::move(options)) {}

    HttpResponse post(const std::string& method, const std::vector<QueryItem>& extra = {}) {
        HttpRequest request(Url::parse(server.baseUrl())
                                .appendingPathComponent("rest")
                                .appendingPathComponent(method + ".view"));
        std::vector<QueryItem> items = server.authItems();
        items.insert(items.end(), extra.begin(), extra.end());
        request.setFormBody(items);
        return session.perform(request);
    }

    nlohmann::json call(const std::string& method, const std::vector<QueryItem>& extra = {}) {
        HttpResponse response = post(method, extra);
        EXPECT_EQ(response.status(), 200) << method;
        return nlohmann::json::parse(response.body).at("subsonic-response");
    }

    loopback::FakeSubsonicServer server;
    HttpSession session;
};

TEST_F(FakeServerTest, EnvelopeCarriesVersionAndOpenSubsonicMarkers) {
    nlohmann::json body = call("ping");
    EXPECT_EQ(body["status"], "ok");
    EXPECT_EQ(body["version"], "1.16.1");
    EXPECT_TRUE(body.contains("type"));
    EXPECT_TRUE(body.contains("serverVersion"));
    EXPECT_EQ(body["openSubsonic"], true);

    nlohmann::json extensions = call("getOpenSubsonicExtensions")["openSubsonicExtensions"];
    ASSERT_TRUE(extensions.is_array());
    EXPECT_NE(std::find(extensions.begin(), extensions.end(),
                        nlohmann::json{{"name", "transcodeOffset"}, {"versions", {1}}}),
              extensions.end());
}

TEST_F(FakeServerTest, RefusesMissingOrWrongCredentialsWithHttp200) {
    HttpRequest bare(Url::parse(server.baseUrl() + "/rest/ping.view"));
    bare.setFormBody({{"v", "1.16.1"}, {"c", "tests"}, {"f", "json"}});
    HttpResponse missing = session.perform(bare);
    EXPECT_EQ(missing.status(), 200);
    EXPECT_EQ(nlohmann::json::parse(missing.body)["subsonic-response"]["error"]["code"], 10);

    // A plain GET with the credentials in the query is served as well.
    std::vector<QueryItem> items = server.authItems();
    items[1].value = "00000000000000000000000000000000";
    HttpResponse wrong =
        session.perform(HttpRequest(Url::parse(server.baseUrl() + "/rest/ping.view?" + formEncoded(items))));
    nlohmann::json body = nlohmann::json::parse(wrong.body)["subsonic-response"];
    EXPECT_EQ(body["status"], "failed");
    EXPECT_EQ(body["error"]["code"], 40);
    EXPECT_EQ(server.requests().back().httpMethod, "GET");
}

class LargeLibraryTest : public FakeServerTest {
protected:
    static loopback::FakeSubsonicServer::Options large() {
        loopback::FakeSubsonicServer::Options options;
        options.library = {
            .artists = 7, .albumsPerArtist = 3, .songsPerAlbum = 12, .playlists = 2, .songsPerPlaylist = 3};
        return options;
    }
    LargeLibraryTest() : FakeServerTest(large()) {}
};

TEST_F(LargeLibraryTest, EmptyQueryPagesThroughTheWholeLibraryWithIndependentOffsets) {
    std::set<std::string> artists, albums, songs;
    int artistOffset = 0, albumOffset = 0, songOffset = 0;
    for (int pageNumber = 0; pageNumber < 50; ++pageNumber) {
        nlohmann::json result =
            call("search3", {{"query", ""},
                             {"artistCount", "10"},
                             {"albumCount", "10"},
                             {"songCount", "10"},
                             {"artistOffset", std::to_string(artistOffset)},
                             {"albumOffset", std::to_string(albumOffset)},
                             {"songOffset", std::to_string(songOffset)}})["searchResult3"];
        auto take = [](const nlohmann::json& list, std::set<std::string>& seen, int& offset) {
            for (const auto& item : list)
                EXPECT_TRUE(seen.insert(item["id"].get<std::string>()).second);
            offset += static_cast<int>(list.size());
            return list.size();
        };
        std::size_t got = take(result.value("artist", nlohmann::json::array()), artists, artistOffset) +
                          take(result.value("album", nlohmann::json::array()), albums, albumOffset) +
                          take(result.value("song", nlohmann::json::array()), songs, songOffset);
        if (got == 0) break;
    }
    EXPECT_EQ(artists.size(), 7u);
    EXPECT_EQ(albums.size(), 21u);
    EXPECT_EQ(songs.size(), 252u);
    EXPECT_TRUE(songs.count("so-1") && songs.count("so-252"));

    nlohmann::json song = call("getSong", {{"id", "so-13"}})["song"];
    EXPECT_EQ(song["albumId"], "al-2");
    EXPECT_EQ(song["artistId"], "ar-1");
    EXPECT_EQ(song["track"], 1);
}

TEST_F(FakeServerTest, EditsChangeWhatLaterReadsReturn) {
    call("star", {{"id", "so-2"}});
    call("setRating", {{"id", "so-2"}, {"rating", "4"}});
    nlohmann::json song = call("getSong", {{"id", "so-2"}})["song"];
    EXPECT_TRUE(song.contains("starred"));
    EXPECT_EQ(song["userRating"], 4);
    call("unstar", {{"id", "so-2"}});
    EXPECT_FALSE(call("getSong", {{"id", "so-2"}})["song"].contains("starred"));
    EXPECT_EQ(call("getSong", {{"id", "so-999"}})["error"]["code"], 70);

    nlohmann::json created =
        call("createPlaylist", {{"name", "Mix"}, {"songId", "so-3"}, {"songId", "so-1"}})["playlist"];
    std::string id = created["id"];
    EXPECT_EQ(created["songCount"], 2);
    call("updatePlaylist",
         {{"playlistId", id}, {"name", "Renamed"}, {"songIdToAdd", "so-4"}, {"songIndexToRemove", "0"}});
    nlohmann::json playlist = call("getPlaylist", {{"id", id}})["playlist"];
    EXPECT_EQ(playlist["name"], "Renamed");
    ASSERT_EQ(playlist["entry"].size(), 2u);
    EXPECT_EQ(playlist["entry"][0]["id"], "so-1");
    EXPECT_EQ(playlist["entry"][1]["id"], "so-4");
    EXPECT_EQ(call("getPlaylists")["playlists"]["playlist"].size(), 3u);
    call("deletePlaylist", {{"id", id}});
    EXPECT_EQ(call("getPlaylist", {{"id", id}})["error"]["code"], 70);

    call("scrobble", {{"id", "so-5"}, {"submission", "false"}, {"time", "1700000000000"}});
    server.withLibrary([](loopback::FakeLibrary& library) {
        ASSERT_EQ(library.scrobbles.size(), 1u);
        EXPECT_EQ(library.scrobbles[0].id, "so-5");
        EXPECT_FALSE(library.scrobbles[0].submission);
    });

    nlohmann::json share = call("createShare", {{"id", "so-1"}, {"id", "so-2"}})["shares"]["share"][0];
    EXPECT_TRUE(share["url"].get<std::string>().starts_with(server.baseUrl() + "/share/"));
    EXPECT_EQ(call("getUser", {{"username", "alice"}})["user"]["shareRole"], true);
    EXPECT_TRUE(
        call("getArtistInfo2", {{"id", "ar-1"}, {"count", "0"}})["artistInfo2"].contains("biography"));
}

TEST_F(FakeServerTest, FaultsHitOnlyTheirMethodAndOnlyAsOftenAsAsked) {
    server.injectFault(loopback::FakeFault::status(503), 2, "getSong");
    server.injectFault(loopback::FakeFault::subsonicError(50), 1, "ping");
    EXPECT_EQ(call("ping")["error"]["code"], 50);
    EXPECT_EQ(call("ping")["status"], "ok");
    EXPECT_EQ(post("getSong", {{"id", "so-1"}}).status(), 503);
    EXPECT_EQ(post("getSong", {{"id", "so-1"}}).status(), 503);
    EXPECT_EQ(call("getSong", {{"id", "so-1"}})["song"]["id"], "so-1");
    EXPECT_EQ(server.requestCount("getSong"), 3u);
    EXPECT_EQ(post("getIndexes").status(), 501);
}

TEST_F(FakeServerTest, StalledAnswerFinishesWhenReleased) {
    server.injectFault(loopback::FakeFault::stalled(), 1, "ping");
    class ReleasingHandler : public HttpStreamHandler {
    public:
        explicit ReleasingHandler(loopback::FakeSubsonicServer& s) : server(s) {}
        Flow onData(std::string_view chunk) override {
            if (body.empty()) server.releaseStalled();
            body.append(chunk);
            return Flow::proceed;
        }
        loopback::FakeSubsonicServer& server;
        std::string body;
    } handler(server);
    HttpRequest request(Url::parse(server.baseUrl() + "/rest/ping.view"));
    request.setFormBody(server.authItems());
    session.stream(request, handler);
    EXPECT_EQ(nlohmann::json::parse(handler.body)["subsonic-response"]["status"], "ok");
}

// A request for a media method with a Range header and no decoding.
HttpRequest mediaRequest(const loopback::FakeSubsonicServer& server, const std::string& method,
                         std::vector<QueryItem> parameters, const char* range = nullptr) {
    HttpRequest request(Url::parse(server.baseUrl() + "/rest/" + method + ".view"));
    std::vector<QueryItem> items = server.authItems();
    items.insert(items.end(), parameters.begin(), parameters.end());
    request.setFormBody(items);
    request.decodeContent = false;
    if (range) request.headers.emplace_back("Range", range);
    return request;
}

std::string letters(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

TEST_F(FakeServerTest, ByteRangesAreAnsweredExactly) {
    const std::string bytes = letters(1000);
    server.setMedia("so-1", {bytes, "audio/flac", {}});
    struct Case {
        const char* range;
        int status;
        const char* contentRange;
        std::size_t start, length;
    };
    const Case cases[] = {
        {nullptr, 200, nullptr, 0, 1000},
        {"bytes=0-131071", 206, "bytes 0-999/1000", 0, 1000},
        {"bytes=10-19", 206, "bytes 10-19/1000", 10, 10},
        {"bytes=990-", 206, "bytes 990-999/1000", 990, 10},
        {"bytes=-5", 206, "bytes 995-999/1000", 995, 5},
        {"bytes=1000-1001", 416, "bytes */1000", 0, 0},
    };
    for (const char* method : {"stream", "download"})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(method) + " " + (c.range ? c.range : "no range"));
            HttpResponse response =
                session.perform(mediaRequest(server, method, {{"id", "so-1"}, {"format", "raw"}}, c.range));
            EXPECT_EQ(response.status(), c.status);
            EXPECT_EQ(response.header("Content-Range"),
                      c.contentRange ? std::optional<std::string>(c.contentRange) : std::nullopt);
            EXPECT_EQ(response.body, bytes.substr(c.start, c.length));
        }
}

TEST_F(FakeServerTest, AnswersAreNeverCompressedWhateverTheClientAccepts) {
    server.setMedia("so-1", {letters(100000), "text/plain", {}});
    for (auto [method, parameters] : std::vector<std::pair<std::string, std::vector<QueryItem>>>{
             {"ping", {}},
             {"search3", {{"query", ""}, {"songCount", "500"}}},
             {"download", {{"id", "so-1"}}}}) {
        SCOPED_TRACE(method);
        HttpRequest request = mediaRequest(server, method, parameters);
        request.headers.emplace_back("Accept-Encoding", "br, gzip, deflate");
        HttpResponse response = session.perform(request);
        EXPECT_EQ(response.status(), 200);
        EXPECT_EQ(response.header("Content-Encoding"), std::nullopt);
        if (method != "download") {
            EXPECT_EQ(nlohmann::json::parse(response.body)["subsonic-response"]["status"], "ok");
        } else {
            EXPECT_EQ(response.body, letters(100000));
        }
    }
}

TEST_F(FakeServerTest, MediaMethodsServeTheirFiles) {
    server.setMedia("so-1", {"original", "audio/flac", {{128, "low"}, {320, "high"}}});
    server.setCoverArt("al-1", "picture", "image/png");
    struct Case {
        std::string method;
        std::vector<QueryItem> parameters;
        std::string body;
        std::string type;
    };
    const std::vector<Case> cases = {
        {"stream", {{"id", "so-1"}, {"format", "raw"}, {"maxBitRate", "0"}}, "original", "audio/flac"},
        {"stream", {{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "320"}}, "high", "audio/mpeg"},
        {"stream", {{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "256"}}, "low", "audio/mpeg"},
        {"stream", {{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "0"}}, "high", "audio/mpeg"},
        {"stream", {{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "64"}}, "low", "audio/mpeg"},
        {"download", {{"id", "so-1"}}, "original", "audio/flac"},
        {"getCoverArt", {{"id", "al-1"}, {"size", "300"}}, "picture", "image/png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + " " + c.parameters.back().value.value_or(""));
        HttpResponse response = session.perform(mediaRequest(server, c.method, c.parameters));
        EXPECT_EQ(response.status(), 200);
        EXPECT_EQ(response.body, c.body);
        EXPECT_EQ(response.header("Content-Type"), c.type);
    }
    for (const char* method : {"stream", "download", "getCoverArt"}) {
        EXPECT_EQ(call(method, {{"id", "nothing"}})["error"]["code"], 70) << method;
        EXPECT_EQ(call(method)["error"]["code"], 10) << method;
    }
}

// A MPEG-1 layer 3 frame of 128 kbit/s at 44.1 kHz (417 bytes) whose
// payload starts with `mark`.
std::string mp3Frame(char mark) {
    std::string frame(417, mark);
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x44';
    return frame;
}

TEST_F(FakeServerTest, TranscodesStartAtTheFirstFrameOfTheOffset) {
    // An ID3 tag, the encoder's information frame, then 100 frames of 1152 samples.
    std::string file = std::string("ID3\x03\x00\x00\x00\x00\x00\x05", 10) + "12345";
    std::string information = mp3Frame('\0');
    information.replace(36, 4, "Info");
    file += information;
    for (int i = 0; i < 100; ++i)
        file += mp3Frame(static_cast<char>('A' + i % 26));
    EXPECT_EQ(loopback::mp3From(file, 0), file);
    // 1 s at 44.1 kHz starts in frame 38 (38 * 1152 = 43776 < 44100 <= 39 * 1152).
    std::string cut = loopback::mp3From(file, 1);
    ASSERT_EQ(cut.size(), 61u * 417);
    EXPECT_EQ(cut[4], static_cast<char>('A' + 39 % 26));
    EXPECT_EQ(loopback::mp3From(file, 3), "");

    server.setMedia("so-1", {"", "audio/flac", {{320, file}}});
    HttpResponse response = session.perform(mediaRequest(
        server, "stream", {{"id", "so-1"}, {"format", "mp3"}, {"maxBitRate", "320"}, {"timeOffset", "1"}}));
    EXPECT_EQ(response.body, cut);
}

// Receives a body and keeps it.
struct Collector : HttpStreamHandler {
    Flow onData(std::string_view chunk) override {
        body.append(chunk);
        return Flow::proceed;
    }
    std::string body;
};

TEST_F(FakeServerTest, FaultsByByteOffsetRateAndRange) {
    const std::string bytes = letters(300000);
    server.setMedia("so-1", {bytes, "audio/flac", {}});
    struct Case {
        std::string name;
        loopback::FakeFault fault;
        std::optional<int> urlError;
        std::size_t received;
        int status;
        std::optional<std::string> contentRange;
    };
    const std::vector<Case> cases = {
        {"drop at byte 1000", loopback::FakeFault::dropAt(1000), URLError::networkConnectionLost, 1000, 206,
         "bytes 0-199999/300000"},
        {"drop at byte 0", loopback::FakeFault::dropAt(0), URLError::networkConnectionLost, 0, 206,
         "bytes 0-199999/300000"},
        {"throttled", loopback::FakeFault::throttle(2000000), std::nullopt, 200000, 206,
         "bytes 0-199999/300000"},
        {"delayed headers", loopback::FakeFault::delayHeaders(std::chrono::milliseconds(200)), std::nullopt,
         200000, 206, "bytes 0-199999/300000"},
        {"range ignored", loopback::FakeFault::ignoreRange(), std::nullopt, 300000, 200, std::nullopt},
        {"Content-Range shifted", loopback::FakeFault::shiftContentRange(), std::nullopt, 200000, 206,
         "bytes 1-200000/300000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.injectFault(c.fault, 1, "download");
        Collector collector;
        HttpResponseHead head;
        try {
            head = session.stream(mediaRequest(server, "download", {{"id", "so-1"}}, "bytes=0-199999"),
                                  collector);
            EXPECT_FALSE(c.urlError) << "ended cleanly";
        } catch (const URLError& error) {
            EXPECT_EQ(error.code(), c.urlError.value_or(0));
        }
        EXPECT_EQ(collector.body, bytes.substr(0, c.received));
        if (!c.urlError) {
            EXPECT_EQ(head.status, c.status);
            EXPECT_EQ(head.header("Content-Range"), c.contentRange);
        }
    }
}

TEST_F(FakeServerTest, StalledAtAnOffsetGoesOnWhenReleasedAndStarvesNoOtherRequest) {
    const std::string bytes = letters(50000);
    server.setMedia("so-1", {bytes, "audio/flac", {}});
    // More stalled downloads at once than the library's default pool has threads.
    constexpr int downloads = 20;
    server.injectFault(loopback::FakeFault::stallAt(1234), downloads, "download");
    std::vector<std::future<std::string>> bodies;
    for (int i = 0; i < downloads; ++i)
        bodies.push_back(std::async(std::launch::async, [&] {
            return session.perform(mediaRequest(server, "download", {{"id", "so-1"}})).body;
        }));
    while (server.requestCount("download") < downloads)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(call("ping")["status"], "ok");
    server.releaseStalled();
    for (auto& body : bodies)
        EXPECT_EQ(body.get(), bytes);
}

} // namespace
} // namespace sorvalind
