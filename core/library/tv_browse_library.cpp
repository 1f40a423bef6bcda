// The rows of the front end's tabs and track lists.

#include "library/tv_browse_snapshot.h"

#include "library/clock_text.h"
#include "library/tv_browse_cancellation.h"
#include "platform/text/text.h"
#include "runtime/decimal_text.h"

#include <algorithm>
#include <numeric>

namespace sorvalind {
namespace {

using tv_browse::checkCancelled;

// What every library row takes from its record's favourite and rating state.
template <class Record> void markFrom(TVBrowseItem& row, const Record& record) {
    row.artwork = record.coverArt;
    row.isLiked = record.starred.has_value();
    row.rating = record.userRating;
}

TVBrowseItem genreRow(const std::string& name) {
    TVBrowseItem row("genre:" + name, name, "Browse songs");
    row.symbol = "guitars";
    return row;
}

TVBrowseItem artistRow(const Artist& artist, bool inSearch) {
    // There is deliberately no singular: "1 albums".
    std::string count = decimalText(artist.albumCount.value_or(0)) + " albums";
    TVBrowseItem row("artist:" + artist.id, artist.name, inSearch ? "Artist \u00b7 " + count : count);
    markFrom(row, artist);
    row.symbol = "person.fill";
    return row;
}

TVBrowseItem albumRow(const Album& album, bool inSearch) {
    const std::string artist = album.artist.value_or("Unknown Artist");
    TVBrowseItem row("album:" + album.id, album.name, inSearch ? "Album \u00b7 " + artist : artist);
    markFrom(row, album);
    row.symbol = inSearch ? "square.stack" : "music.note";
    return row;
}

TVBrowseItem songRow(const Song& song, bool inSearch) {
    const std::string artist = song.artistNames();
    TVBrowseItem row("song:" + song.id, song.title, inSearch ? "Song \u00b7 " + artist : artist);
    markFrom(row, song);
    return row;
}

TVBrowseItem playlistRow(const Playlist& playlist) {
    TVBrowseItem row("playlist:" + playlist.id, playlist.name,
                     decimalText(playlist.songCount.value_or(0)) + " songs");
    row.artwork = playlist.coverArt;
    row.symbol = "music.note.list";
    return row;
}

TVBrowseItem newPlaylistRow() {
    TVBrowseItem row("newPlaylist", "New Playlist", "Create a playlist");
    row.symbol = "plus";
    return row;
}

TVBrowseItem sortRow(SongSort sort) {
    TVBrowseItem row("sortSongs", "Sort songs", tvTitle(sort));
    row.symbol = "arrow.up.arrow.down";
    return row;
}

// Appends one row per record, looking for cancellation as the loop goes.
template <class Record, class Make>
void appendRows(std::vector<TVBrowseItem>& rows, const std::vector<Record>& records,
                const std::stop_token& cancel, Make make) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        checkCancelled(cancel, i);
        make(rows, records[i]);
    }
}

// Newest first by the server's "created" text; albums without one count as
// empty text and so come last; equal texts keep the given order.
std::vector<const Album*> newestFirst(const std::vector<Album>& albums, const std::stop_token& cancel) {
    std::vector<std::string> keys;
    keys.reserve(albums.size());
    for (std::size_t i = 0; i < albums.size(); ++i) {
        checkCancelled(cancel, i);
        keys.push_back(text::nfc(albums[i].created.value_or("")));
    }
    std::vector<std::size_t> order(albums.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return keys[b] < keys[a]; });
    std::vector<const Album*> sorted;
    sorted.reserve(order.size());
    for (std::size_t index : order)
        sorted.push_back(&albums[index]);
    return sorted;
}

} // namespace

TVBrowseSnapshot TVBrowseSnapshot::library(std::string_view tab, const std::vector<Album>& albums,
                                           const std::vector<Artist>& artists, const std::vector<Song>& songs,
                                           const std::vector<Playlist>& playlists,
                                           std::optional<SongSort> songSort,
                                           const std::vector<std::string>& genres, std::stop_token cancel) {
    throwIfCancelled(cancel);
    std::vector<TVBrowseItem> rows;
    const auto songRows = [&](bool onlyFavourites) {
        appendRows(rows, songs, cancel, [&](auto& out, const Song& song) {
            if (!onlyFavourites || song.starred) out.push_back(songRow(song, false));
        });
        if (!rows.empty() && songSort) rows.insert(rows.begin(), sortRow(*songSort));
    };

    if (tab == "Genres") {
        appendRows(rows, genres, cancel,
                   [](auto& out, const std::string& name) { out.push_back(genreRow(name)); });
    } else if (tab == "Search") {
        appendRows(rows, artists, cancel,
                   [](auto& out, const Artist& a) { out.push_back(artistRow(a, true)); });
        appendRows(rows, albums, cancel, [](auto& out, const Album& a) { out.push_back(albumRow(a, true)); });
        appendRows(rows, songs, cancel, [](auto& out, const Song& s) { out.push_back(songRow(s, true)); });
    } else if (tab == "Artists") {
        appendRows(rows, artists, cancel,
                   [](auto& out, const Artist& a) { out.push_back(artistRow(a, false)); });
    } else if (tab == "Playlists") {
        rows.push_back(newPlaylistRow());
        appendRows(rows, playlists, cancel,
                   [](auto& out, const Playlist& p) { out.push_back(playlistRow(p)); });
    } else if (tab == "Songs") {
        songRows(false);
    } else if (tab == "Favorites") {
        songRows(true);
    } else if (tab == "Settings") {
        // The settings screen has no browsable rows.
    } else if (tab == "Home") {
        appendRows(rows, newestFirst(albums, cancel), cancel,
                   [](auto& out, const Album* a) { out.push_back(albumRow(*a, false)); });
    } else {
        appendRows(rows, albums, cancel,
                   [](auto& out, const Album& a) { out.push_back(albumRow(a, false)); });
    }
    return TVBrowseSnapshot(std::move(rows), cancel);
}

TVBrowseSnapshot TVBrowseSnapshot::tracks(const std::vector<Song>& songs, std::string_view title,
                                          bool includeActions, bool stackActions, std::stop_token cancel) {
    if (songs.empty()) return TVBrowseSnapshot();

    std::vector<TVBrowseItem> rows;
    if (includeActions) {
        const std::string count = decimalText(static_cast<std::int64_t>(songs.size()));
        if (stackActions) {
            TVBrowseItem playAll("playAll", "Play all", count + (songs.size() == 1 ? " song" : " songs"));
            playAll.symbol = "play.fill";
            TVBrowseItem shuffle("shuffleAll", "Shuffle", "");
            shuffle.symbol = "shuffle";
            rows.push_back(std::move(playAll));
            rows.push_back(std::move(shuffle));
        } else {
            TVBrowseItem playAll("playAll", "Play all", count + " songs");
            playAll.symbol = "play.fill";
            TVBrowseItem queue("queueAll", "Add to queue", std::string(title));
            queue.symbol = "text.badge.plus";
            rows.push_back(std::move(playAll));
            rows.push_back(std::move(queue));
        }
    }
    for (std::size_t i = 0; i < songs.size(); ++i) {
        checkCancelled(cancel, i);
        const Song& song = songs[i];
        const std::string position = decimalText(static_cast<std::int64_t>(i));
        TVBrowseItem row("track:" + position, song.title,
                         decimalText(static_cast<std::int64_t>(i) + 1) + "  \u00b7  " + song.artistNames() +
                             "  \u00b7  " + clockText(song.duration.value_or(0)));
        markFrom(row, song);
        rows.push_back(std::move(row));
    }
    return TVBrowseSnapshot(std::move(rows), cancel);
}

} // namespace sorvalind
