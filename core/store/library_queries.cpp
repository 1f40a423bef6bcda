#include "store/fts_query.h"
#include "store/library_connection.h"
#include "store/library_query_text.h"

#include "runtime/cancellation.h"

namespace sorvalind {
namespace {

std::vector<Binding> bindingsOf(const QueryText& query) {
    std::vector<Binding> bindings;
    bindings.reserve(query.bindings.size());
    for (const auto& value : query.bindings)
        bindings.push_back(value ? Binding(*value) : Binding());
    return bindings;
}

template <class T> std::vector<T> recordsOf(LibraryConnection& connection, const QueryText& query) {
    return connection.records<T>(query.sql, bindingsOf(query));
}

// The cached grouping, rebuilt only when the set of genre names changed since
// it was built.
const GenreIndex& groupedGenres(LibraryConnection& connection) {
    const std::int64_t current = connection.revisions().genres;
    if (!connection.genreIndex || connection.genreIndex->first != current) {
        std::vector<std::string> names;
        auto lease = connection.statement("SELECT DISTINCT name FROM song_genres");
        while (lease->step()) {
            auto name = lease->columnText(0);
            if (name) names.emplace_back(*name);
        }
        connection.genreIndex.emplace(current, GenreIndex(names));
    }
    return connection.genreIndex->second;
}

std::vector<Song> songsOn(LibraryConnection& connection, const std::string& query, SongSort sort,
                          bool favorite, const std::optional<std::string>& albumID,
                          const std::optional<std::string>& artistID,
                          const std::optional<std::string>& genre) {
    std::optional<std::vector<std::string>> rawNames;
    if (genre) {
        rawNames = groupedGenres(connection).rawNames(*genre);
        if (rawNames->empty()) return {};
    }
    return recordsOf<Song>(connection, songsQueryText(query, sort, favorite, albumID, artistID, rawNames));
}

std::vector<Album> albumsOn(LibraryConnection& connection, const std::string& query, AlbumSort sort,
                            bool favorite, const std::optional<std::string>& artistID) {
    return recordsOf<Album>(connection, albumsQueryText(query, sort, favorite, artistID));
}

std::vector<Artist> artistsOn(LibraryConnection& connection, const std::string& query) {
    return recordsOf<Artist>(connection, artistsQueryText(query));
}

std::int64_t countOf(LibraryConnection& connection, std::string_view sql) {
    auto count = connection.integer(sql);
    if (!count) throw DatabaseError("The count returned no row");
    return *count;
}

} // namespace

std::vector<Song> LibraryRepository::songs(const std::string& query, SongSort sort, bool favorite,
                                           const std::optional<std::string>& albumID,
                                           const std::optional<std::string>& artistID,
                                           const std::optional<std::string>& genre) {
    return perform([&](LibraryConnection& connection) {
        return songsOn(connection, query, sort, favorite, albumID, artistID, genre);
    });
}

std::int64_t LibraryRepository::songCount() {
    return perform(
        [](LibraryConnection& connection) { return countOf(connection, "SELECT COUNT(*) FROM songs"); });
}

std::optional<Song> LibraryRepository::song(const std::string& id) {
    return perform([&](LibraryConnection& connection) {
        return connection.record<Song>("SELECT json FROM songs WHERE id=?", {id});
    });
}

std::optional<Album> LibraryRepository::album(const std::string& id) {
    return perform([&](LibraryConnection& connection) {
        return connection.record<Album>("SELECT json FROM albums WHERE id=?", {id});
    });
}

std::vector<Album> LibraryRepository::albums(const std::string& query, AlbumSort sort, bool favorite,
                                             const std::optional<std::string>& artistID) {
    return perform(
        [&](LibraryConnection& connection) { return albumsOn(connection, query, sort, favorite, artistID); });
}

std::vector<Artist> LibraryRepository::artists(const std::string& query) {
    return perform([&](LibraryConnection& connection) { return artistsOn(connection, query); });
}

SearchResults LibraryRepository::search(const std::string& text) {
    return perform([&](LibraryConnection& connection) {
        SearchResults results;
        results.songs =
            songsOn(connection, text, SongSort::title, false, std::nullopt, std::nullopt, std::nullopt);
        results.albums = albumsOn(connection, text, AlbumSort::artist, false, std::nullopt);
        results.artists = artistsOn(connection, text);
        return results;
    });
}

std::vector<std::string> LibraryRepository::genres() {
    return perform([](LibraryConnection& connection) { return groupedGenres(connection).names(); });
}

ListeningStatistics LibraryRepository::listeningStatistics(std::stop_token stop) {
    return perform([&](LibraryConnection& connection) {
        ListeningStatistics::Accumulator accumulator;
        {
            auto lease = connection.statement("SELECT json FROM songs ORDER BY id");
            for (;;) {
                throwIfCancelled(stop);
                if (!lease->step()) break;
                accumulator.add(fromJSONText<Song>(LibraryConnection::jsonColumn(*lease)));
            }
        }
        ListeningStatistics statistics = accumulator.finish();
        statistics.libraryAlbums = connection.integer("SELECT COUNT(*) FROM albums").value_or(0);
        statistics.libraryArtists = connection.integer("SELECT COUNT(*) FROM artists").value_or(0);
        statistics.lastSync = connection.text("SELECT value FROM state WHERE key=?", {"lastSync"});
        const bool running =
            connection.text("SELECT value FROM state WHERE key=?", {"syncCheckpoint"}).has_value();
        statistics.isPartial = running || !statistics.lastSync;
        return statistics;
    });
}

std::string LibraryRepository::ftsQuery(std::string_view text) {
    return sorvalind::ftsQuery(text);
}

} // namespace sorvalind
