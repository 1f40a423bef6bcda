// The REST methods FakeSubsonicServer answers out of the box.
#include "loopback/fake_subsonic_server.h"

#include <charconv>

namespace sorvalind::loopback {

namespace {

int intParam(const FakeRequest& request, std::string_view name, int fallback) {
    std::optional<std::string> text = request.param(name);
    if (!text) return fallback;
    int value = fallback;
    std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

bool containsFolded(const std::string& haystack, const std::string& needle) {
    auto fold = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return text;
    };
    return fold(haystack).find(fold(needle)) != std::string::npos;
}

// One page of `records` whose "name"/"title" contains the query (all for an empty query).
nlohmann::json page(const std::vector<nlohmann::json>& records, const std::string& key,
                    const std::string& query, int offset, int count) {
    nlohmann::json out = nlohmann::json::array();
    int index = 0;
    for (const auto& record : records) {
        if (!query.empty() && !containsFolded(record.value(key, std::string()), query)) continue;
        if (index++ < offset) continue;
        if (static_cast<int>(out.size()) >= count) break;
        out.push_back(record);
    }
    return out;
}

} // namespace

void FakeSubsonicServer::addStandardMethods() {
    auto missing = [this](httplib::Response& res) {
        failedResponse(res, 10, "Required parameter is missing.");
    };
    auto notFound = [this](httplib::Response& res) { failedResponse(res, 70, "Data not found"); };

    methods_["ping"] = [this](const FakeRequest&, httplib::Response& res) { okResponse(res); };

    methods_["getOpenSubsonicExtensions"] = [this, notFound](const FakeRequest&, httplib::Response& res) {
        if (!options_.openSubsonic && options_.unknownMethodIs404) {
            failedResponse(res, 0, "Unknown method");
            res.status = 404;
            return;
        }
        if (!options_.openSubsonic) return notFound(res);
        nlohmann::json list = nlohmann::json::array();
        for (const auto& [name, versions] : options_.extensions)
            list.push_back({{"name", name}, {"versions", versions}});
        okResponse(res, {{"openSubsonicExtensions", list}});
    };

    methods_["search3"] = [this](const FakeRequest& request, httplib::Response& res) {
        std::string query = request.param("query").value_or("");
        // Clients send '""' for "everything" as well as the empty text.
        if (query == "\"\"") query.clear();
        nlohmann::json result = nlohmann::json::object();
        std::lock_guard lock(mutex_);
        auto add = [&](const char* key, const std::vector<nlohmann::json>& records, const char* nameKey,
                       const char* countName, const char* offsetName) {
            nlohmann::json items = page(records, nameKey, query, intParam(request, offsetName, 0),
                                        intParam(request, countName, 20));
            if (!items.empty()) result[key] = std::move(items);
        };
        add("artist", library_.artists, "name", "artistCount", "artistOffset");
        add("album", library_.albums, "name", "albumCount", "albumOffset");
        add("song", library_.songs, "title", "songCount", "songOffset");
        okResponse(res, {{"searchResult3", result}});
    };

    methods_["getPlaylists"] = [this](const FakeRequest&, httplib::Response& res) {
        nlohmann::json list = nlohmann::json::array();
        std::lock_guard lock(mutex_);
        for (const auto& [id, playlist] : library_.playlists) {
            nlohmann::json summary = playlist;
            summary.erase("entry");
            list.push_back(std::move(summary));
        }
        okResponse(res, {{"playlists", {{"playlist", list}}}});
    };

    methods_["getPlaylist"] = [this, missing, notFound](const FakeRequest& request, httplib::Response& res) {
        std::optional<std::string> id = request.param("id");
        if (!id) return missing(res);
        std::lock_guard lock(mutex_);
        auto found = library_.playlists.find(*id);
        if (found == library_.playlists.end()) return notFound(res);
        okResponse(res, {{"playlist", found->second}});
    };

    methods_["getSong"] = [this, missing, notFound](const FakeRequest& request, httplib::Response& res) {
        std::optional<std::string> id = request.param("id");
        if (!id) return missing(res);
        std::lock_guard lock(mutex_);
        nlohmann::json* song = library_.song(*id);
        if (!song) return notFound(res);
        okResponse(res, {{"song", *song}});
    };

    methods_["getUser"] = [this, missing, notFound](const FakeRequest& request, httplib::Response& res) {
        std::optional<std::string> name = request.param("username");
        if (!name) return missing(res);
        if (*name != options_.user) return notFound(res);
        okResponse(res, {{"user",
                          {{"username", options_.user},
                           {"scrobblingEnabled", true},
                           {"adminRole", false},
                           {"streamRole", true},
                           {"downloadRole", true},
                           {"playlistRole", true},
                           {"coverArtRole", true},
                           {"shareRole", options_.shareRole},
                           {"folder", {1}}}}});
    };

    methods_["getArtistInfo2"] = [this, missing, notFound](const FakeRequest& request,
                                                           httplib::Response& res) {
        std::optional<std::string> id = request.param("id");
        if (!id) return missing(res);
        std::lock_guard lock(mutex_);
        nlohmann::json* artist = library_.artist(*id);
        if (!artist) return notFound(res);
        okResponse(res, {{"artistInfo2",
                          {{"biography", (*artist)["name"].get<std::string>() + " makes generated music."},
                           {"musicBrainzId", "mbid-" + *id},
                           {"lastFmUrl", "https://last.fm.invalid/music/" + *id}}}});
    };

    auto annotate = [this, missing, notFound](bool starred) {
        return [this, missing, notFound, starred](const FakeRequest& request, httplib::Response& res) {
            std::vector<std::string> ids = request.paramValues("id");
            for (const char* name : {"albumId", "artistId"})
                for (auto& id : request.paramValues(name))
                    ids.push_back(id);
            if (ids.empty()) return missing(res);
            std::lock_guard lock(mutex_);
            for (const auto& id : ids)
                if (!library_.setStarred(id, starred)) return notFound(res);
            okResponse(res);
        };
    };
    methods_["star"] = annotate(true);
    methods_["unstar"] = annotate(false);

    methods_["setRating"] = [this, missing, notFound](const FakeRequest& request, httplib::Response& res) {
        std::optional<std::string> id = request.param("id");
        if (!id || !request.param("rating")) return missing(res);
        int rating = intParam(request, "rating", -1);
        if (rating < 0 || rating > 5) return failedResponse(res, 0, "Invalid rating");
        std::lock_guard lock(mutex_);
        if (!library_.setRating(*id, rating)) return notFound(res);
        okResponse(res);
    };

    methods_["createPlaylist"] = [this, missing, notFound](const FakeRequest& request,
                                                           httplib::Response& res) {
        std::optional<std::string> playlistId = request.param("playlistId");
        std::optional<std::string> name = request.param("name");
        if (!playlistId && !name) return missing(res);
        std::lock_guard lock(mutex_);
        std::optional<nlohmann::json> playlist =
            library_.createPlaylist(playlistId, name.value_or(""), request.paramValues("songId"));
        if (!playlist) return notFound(res);
        (*playlist)["owner"] = options_.user;
        library_.playlists[(*playlist)["id"]]["owner"] = options_.user;
        okResponse(res, {{"playlist", *playlist}});
    };

    methods_["updatePlaylist"] = [this, missing, notFound](const FakeRequest& request,
                                                           httplib::Response& res) {
        std::optional<std::string> id = request.param("playlistId");
        if (!id) return missing(res);
        std::lock_guard lock(mutex_);
        auto found = library_.playlists.find(*id);
        if (found == library_.playlists.end()) return notFound(res);
        // An unknown song refuses the whole update, as one transaction would.
        std::vector<nlohmann::json> additions;
        for (const auto& songId : request.paramValues("songIdToAdd")) {
            nlohmann::json* song = library_.song(songId);
            if (!song) return notFound(res);
            additions.push_back(*song);
        }
        nlohmann::json& playlist = found->second;
        if (auto name = request.param("name")) playlist["name"] = *name;
        if (auto comment = request.param("comment")) playlist["comment"] = *comment;
        if (auto visible = request.param("public")) playlist["public"] = *visible == "true";
        std::vector<int> removals;
        for (const auto& text : request.paramValues("songIndexToRemove"))
            removals.push_back(std::stoi(text));
        std::sort(removals.rbegin(), removals.rend());
        for (int index : removals)
            if (index >= 0 && index < static_cast<int>(playlist["entry"].size()))
                playlist["entry"].erase(static_cast<std::size_t>(index));
        for (auto& song : additions)
            playlist["entry"].push_back(std::move(song));
        library_.refreshPlaylist(playlist);
        okResponse(res);
    };

    methods_["deletePlaylist"] = [this, missing, notFound](const FakeRequest& request,
                                                           httplib::Response& res) {
        std::optional<std::string> id = request.param("id");
        if (!id) return missing(res);
        std::lock_guard lock(mutex_);
        if (library_.playlists.erase(*id) == 0) return notFound(res);
        okResponse(res);
    };

    methods_["scrobble"] = [this, missing](const FakeRequest& request, httplib::Response& res) {
        std::vector<std::string> ids = request.paramValues("id");
        if (ids.empty()) return missing(res);
        bool submission = request.param("submission").value_or("true") != "false";
        std::lock_guard lock(mutex_);
        for (const auto& id : ids)
            library_.scrobbles.push_back({id, submission, request.param("time")});
        okResponse(res);
    };

    methods_["createShare"] = [this, missing, notFound](const FakeRequest& request, httplib::Response& res) {
        std::vector<std::string> ids = request.paramValues("id");
        if (ids.empty()) return missing(res);
        std::lock_guard lock(mutex_);
        for (const auto& id : ids)
            if (!library_.song(id) && !library_.album(id)) return notFound(res);
        library_.shares.push_back(ids);
        std::string shareId = "sh-" + std::to_string(library_.shares.size());
        nlohmann::json entries = nlohmann::json::array();
        for (const auto& id : ids)
            if (nlohmann::json* song = library_.song(id)) entries.push_back(*song);
        okResponse(res, {{"shares",
                          {{"share",
                            {{{"id", shareId},
                              {"url", baseUrl() + "/share/" + shareId},
                              {"username", options_.user},
                              {"created", "2024-05-06T07:08:09Z"},
                              {"visitCount", 0},
                              {"entry", entries}}}}}}});
    };
}

} // namespace sorvalind::loopback
