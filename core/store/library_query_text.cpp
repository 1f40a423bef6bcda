#include "store/library_query_text.h"

#include "store/fts_query.h"

namespace sorvalind {

namespace {

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) text += separator;
        text += part;
    }
    return text;
}

std::string_view songOrder(SongSort sort) {
    switch (static_cast<SongSort::Case>(sort)) {
    case SongSort::title:
        return "s.title COLLATE NOCASE";
    case SongSort::artist:
        return "s.artist COLLATE NOCASE,s.album COLLATE NOCASE,s.disc,s.track";
    case SongSort::album:
        return "s.album COLLATE NOCASE,s.disc,s.track";
    case SongSort::added:
        return "s.created DESC";
    case SongSort::played:
        return "s.played DESC";
    case SongSort::playCount:
        return "s.play_count DESC";
    }
    return "s.title COLLATE NOCASE";
}

std::string_view albumOrder(AlbumSort sort) {
    switch (static_cast<AlbumSort::Case>(sort)) {
    case AlbumSort::title:
        return "a.title COLLATE NOCASE";
    case AlbumSort::artist:
        return "a.artist COLLATE NOCASE,a.title COLLATE NOCASE";
    case AlbumSort::year:
        return "CAST(json_extract(a.json,'$.year') AS INTEGER) DESC,a.title COLLATE NOCASE";
    case AlbumSort::added:
        return "json_extract(a.json,'$.created') DESC,a.title COLLATE NOCASE";
    }
    return "a.title COLLATE NOCASE";
}

// Which albums an artist has: the album's own artist, an entry of its
// artists or album artists, or a credit in any role on one of its songs.
constexpr std::string_view countingAllAlbums =
    "WITH artist_albums(artist_id,album_id) AS (\n"
    "    SELECT json_extract(json,'$.artistId'),id FROM albums\n"
    "    UNION\n"
    "    SELECT json_extract(credit.value,'$.id'),a.id FROM albums a,json_each(a.json,'$.artists') credit\n"
    "    UNION\n"
    "    SELECT json_extract(credit.value,'$.id'),a.id FROM albums a,json_each(a.json,'$.albumArtists') "
    "credit\n"
    "    UNION\n"
    "    SELECT credit.artist_id,a.id FROM song_artists credit\n"
    "    JOIN songs s ON s.id=credit.song_id JOIN albums a ON a.id=s.album_id\n"
    "), album_counts AS (\n"
    "    SELECT artist_id,COUNT(*) AS total FROM artist_albums GROUP BY artist_id\n"
    ")\n"
    "SELECT json_set(a.json,'$.albumCount',COALESCE(c.total,0)) FROM artists a";

} // namespace

QueryText songsQueryText(std::string_view searchText, SongSort sort, bool favorite,
                         const std::optional<std::string>& albumID,
                         const std::optional<std::string>& artistID,
                         const std::optional<std::vector<std::string>>& genreRawNames) {
    QueryText query;
    const std::string match = ftsQuery(searchText);
    std::vector<std::string> conditions;
    if (!match.empty()) {
        conditions.emplace_back("song_fts MATCH ?");
        query.bindings.emplace_back(match);
    }
    if (favorite) conditions.emplace_back("s.starred=1");
    if (albumID) {
        conditions.emplace_back("s.album_id=?");
        query.bindings.emplace_back(*albumID);
    }
    if (artistID) {
        conditions.emplace_back("s.id IN (SELECT song_id FROM song_artists WHERE artist_id=?)");
        query.bindings.emplace_back(*artistID);
    }
    if (genreRawNames) {
        std::string placeholders;
        for (const std::string& name : *genreRawNames) {
            placeholders += placeholders.empty() ? "?" : ",?";
            query.bindings.emplace_back(name);
        }
        conditions.push_back("s.id IN (SELECT song_id FROM song_genres WHERE name IN (" + placeholders +
                             "))");
    }

    std::string order(songOrder(sort));
    if (albumID) {
        order = "s.disc,s.track";
    } else if (!match.empty() && sort == SongSort::title) {
        order = "CASE WHEN s.title = ? COLLATE NOCASE THEN 0 ELSE 1 END,bm25(song_fts,0,8,5,2),"
                "s.title COLLATE NOCASE";
        query.bindings.emplace_back(std::string(searchText));
    }

    query.sql = match.empty() ? "SELECT s.json FROM songs s"
                              : "SELECT s.json FROM songs s JOIN song_fts ON song_fts.id=s.id";
    if (!conditions.empty()) query.sql += " WHERE " + joined(conditions, " AND ");
    query.sql += " ORDER BY " + order;
    return query;
}

QueryText albumsQueryText(std::string_view searchText, AlbumSort sort, bool favorite,
                          const std::optional<std::string>& artistID) {
    QueryText query;
    const std::string match = ftsQuery(searchText);
    std::vector<std::string> conditions;
    if (!match.empty()) {
        conditions.emplace_back("album_fts MATCH ?");
        query.bindings.emplace_back(match);
    }
    if (favorite) conditions.emplace_back("json_extract(a.json,'$.starred') IS NOT NULL");
    if (artistID) {
        conditions.emplace_back("(json_extract(a.json,'$.artistId') = ?\n"
                                " OR EXISTS (SELECT 1 FROM json_each(a.json,'$.artists') c WHERE "
                                "json_extract(c.value,'$.id') = ?)\n"
                                " OR EXISTS (SELECT 1 FROM json_each(a.json,'$.albumArtists') c WHERE "
                                "json_extract(c.value,'$.id') = "
                                "?)\n"
                                " OR a.id IN (SELECT s.album_id FROM songs s JOIN song_artists c ON "
                                "c.song_id=s.id WHERE c.artist_id = "
                                "?))");
        for (int i = 0; i < 4; ++i)
            query.bindings.emplace_back(*artistID);
    }
    query.sql = match.empty() ? "SELECT a.json FROM albums a"
                              : "SELECT a.json FROM albums a JOIN album_fts ON album_fts.id=a.id";
    if (!conditions.empty()) query.sql += " WHERE " + joined(conditions, " AND ");
    query.sql += " ORDER BY ";
    if (!match.empty()) query.sql += "bm25(album_fts,0,5,3),";
    query.sql += albumOrder(sort);
    return query;
}

QueryText artistsQueryTextCountingAll(std::string_view searchText) {
    QueryText query;
    const std::string match = ftsQuery(searchText);
    query.sql = countingAllAlbums;
    if (!match.empty()) query.sql += " JOIN artist_fts f ON f.id=a.id";
    query.sql += " LEFT JOIN album_counts c ON c.artist_id=a.id";
    if (!match.empty()) {
        query.sql += " WHERE artist_fts MATCH ? ORDER BY bm25(artist_fts)";
        query.bindings.emplace_back(match);
    } else {
        query.sql += " ORDER BY a.name COLLATE NOCASE";
    }
    return query;
}

QueryText artistsQueryText(std::string_view searchText) {
    const std::string match = ftsQuery(searchText);
    if (match.empty()) return artistsQueryTextCountingAll(searchText);
    // The matched artists are found first and kept, so that the album pairs
    // are collected only for them: the credits through their index, the
    // albums' own artist lists in one scan that is skipped when nothing
    // matched. Ties in relevance keep the full-text table's order, as they do
    // when the whole library is counted.
    QueryText query;
    query.sql =
        "WITH matched(id,json,rank) AS MATERIALIZED (\n"
        "    SELECT a.id,a.json,bm25(artist_fts) FROM artists a JOIN artist_fts ON artist_fts.id=a.id\n"
        "    WHERE artist_fts MATCH ?\n"
        "), artist_albums(artist_id,album_id) AS (\n"
        "    SELECT json_extract(json,'$.artistId'),id FROM albums\n"
        "    WHERE (SELECT COUNT(*) FROM matched)>0\n"
        "    AND json_extract(json,'$.artistId') IN (SELECT id FROM matched)\n"
        "    UNION\n"
        "    SELECT json_extract(credit.value,'$.id'),a.id FROM albums a,json_each(a.json,'$.artists') "
        "credit\n"
        "    WHERE (SELECT COUNT(*) FROM matched)>0\n"
        "    AND json_extract(credit.value,'$.id') IN (SELECT id FROM matched)\n"
        "    UNION\n"
        "    SELECT json_extract(credit.value,'$.id'),a.id FROM albums a,json_each(a.json,'$.albumArtists') "
        "credit\n"
        "    WHERE (SELECT COUNT(*) FROM matched)>0\n"
        "    AND json_extract(credit.value,'$.id') IN (SELECT id FROM matched)\n"
        "    UNION\n"
        "    SELECT credit.artist_id,a.id FROM song_artists credit\n"
        "    JOIN songs s ON s.id=credit.song_id JOIN albums a ON a.id=s.album_id\n"
        "    WHERE credit.artist_id IN (SELECT id FROM matched)\n"
        "), album_counts AS (\n"
        "    SELECT artist_id,COUNT(*) AS total FROM artist_albums GROUP BY artist_id\n"
        ")\n"
        "SELECT json_set(m.json,'$.albumCount',COALESCE(c.total,0)) FROM matched m\n"
        "LEFT JOIN album_counts c ON c.artist_id=m.id ORDER BY m.rank";
    query.bindings.emplace_back(match);
    return query;
}

} // namespace sorvalind
