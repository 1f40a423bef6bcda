#pragma once
// The local library of one server account: one SQLite file that mirrors the
// server's artists, albums, songs, genres and playlists, and keeps queued
// local edits, download records and a small key-value state.
//
// An actor: one connection, touched only from the repository's own serial
// queue, so every operation runs alone and a transaction is never
// interleaved with another caller's statements. Each operation blocks the
// calling thread until the queue has run it, and therefore must not be
// called on the main actor: there it runs nothing and throws
// OwnExecutorWaitError at once (the same rule as LibraryAPI). Called on the
// repository's own queue (work handed to it with executor()), an operation
// runs inline. revisions() may be called from any thread and never blocks on
// the queue.
//
// Failures: DatabaseError for every SQLite failure (and "The library is
// closed" after close()); a stored row whose JSON does not decode fails the
// read with the records' DecodingError, unchanged; EncodingError for a
// record JSON cannot carry; CancellationError from listeningStatistics() when
// its stop is requested, or from any call when the queue has shut down. A
// failing write rolls its transaction back and moves no counter.
//
// Adding a query (for the files of this class):
// - The body runs on the queue: `return perform([&](LibraryConnection& c) {
//   ... });` (store/library_connection.h). perform() does the main-actor
//   refusal and the hop.
// - Inside, use c.statement(sql, {bindings...}) for a prepared, cached and
//   bound statement (every value bound as text, none as NULL), and
//   c.records<T>(sql, bindings) / c.record<T>(sql, bindings) to decode the
//   JSON of column 0 of each row. c.integer() reads one count.
// - Throw DatabaseError for store failures (Statement::step already does);
//   let DecodingError pass unchanged. Writes of more than one statement go
//   through c.transaction([&](LibraryRevisions& changes) { ... }), which
//   publishes `changes` only after COMMIT.
// - The genre index cache is c.genreIndex; the current counters are
//   c.revisions().

#include "library/album.h"
#include "library/album_sort.h"
#include "library/artist.h"
#include "library/download_record.h"
#include "library/library_item_kind.h"
#include "library/listening_statistics.h"
#include "library/playlist.h"
#include "library/search_page.h"
#include "library/search_results.h"
#include "library/song.h"
#include "library/song_sort.h"
#include "runtime/clock.h"
#include "runtime/executor.h"
#include "store/library_revisions.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace sorvalind {

class LibraryConnection;
class RevisionCounters;
class SerialQueue;

class LibraryRepository {
public:
    // One queued favourite or rating edit (see edit()).
    struct PendingEdit {
        std::string id;
        // The edited song's, album's or artist's identifier.
        std::string itemID;
        // "favorite" or "rating".
        std::string kind;
        // Favourite: 1 makes the item a favourite, 0 removes it; rating: the
        // rating.
        std::int64_t value = 0;
        LibraryItemKind target = LibraryItemKind::song;

        friend bool operator==(const PendingEdit&, const PendingEdit&) = default;
    };

    // Opens or creates the database file at `path` and brings it to the
    // current schema. A file written by a newer version is refused with
    // "This library needs a newer Sorvalind version" and left untouched.
    // Blocking; any thread (the application opens it off the main actor).
    // `mainActor` is the executor whose calls are refused; `wallClock` gives
    // the time of a finished synchronisation.
    LibraryRepository(const std::string& path, Executor& mainActor,
                      const WallClock& wallClock = systemWallClock());
    // Waits for the queue to drain and closes the connection if still open.
    // Never on the repository's own queue.
    ~LibraryRepository();
    LibraryRepository(const LibraryRepository&) = delete;
    LibraryRepository& operator=(const LibraryRepository&) = delete;

    // The current change counters. Any thread; never fails.
    LibraryRevisions revisions() const noexcept;

    // The queue every operation runs on: work handed to it may call the
    // operations inline (the synchronisation engine runs its pages there).
    Executor& executor() noexcept;

    // Closes the connection; a failure keeps it open and throws. Closing a
    // closed store does nothing; every other later call fails with "The
    // library is closed".
    void close();

    // Mirroring ----------------------------------------------------------

    // Writes one library page in one transaction: queued edits override the
    // server's favourite and rating, unchanged rows are only re-stamped with
    // `generation`; the checkpoint, when given, is stored under
    // "syncCheckpoint" in the same transaction.
    void ingest(const SearchPage& page, const std::string& generation,
                const std::optional<std::string>& checkpoint = std::nullopt);
    // Ends a run: deletes every song, album and artist of another generation,
    // reconciles the playlists when given, deletes the checkpoint and stores
    // the time under "lastSync"; one transaction.
    void finishSync(const std::string& generation,
                    const std::optional<std::vector<Playlist>>& playlists = std::nullopt);
    // Lays a freshly fetched song's details over the stored copy, keeping the
    // stored favourite, rating, play count, played and created values, and
    // returns it as stored; a song the store lacks comes back unchanged and
    // nothing is written.
    Song cacheSongDetails(const Song& song);

    // Queries and search ---------------------------------------------------

    std::vector<Song> songs(const std::string& query, SongSort sort, bool favorite = false,
                            const std::optional<std::string>& albumID = std::nullopt,
                            const std::optional<std::string>& artistID = std::nullopt,
                            const std::optional<std::string>& genre = std::nullopt);
    std::int64_t songCount();
    std::optional<Song> song(const std::string& id);
    std::optional<Album> album(const std::string& id);
    std::vector<Album> albums(const std::string& query, AlbumSort sort, bool favorite = false,
                              const std::optional<std::string>& artistID = std::nullopt);
    // Each artist carries the number of distinct stored albums credited to it.
    std::vector<Artist> artists(const std::string& query);
    SearchResults search(const std::string& text);
    // The labels of the grouped genre index.
    std::vector<std::string> genres();
    // Scans every stored song; throws CancellationError once `stop` is
    // requested.
    ListeningStatistics listeningStatistics(std::stop_token stop = {});
    // The FTS5 prefix query for what the user typed: letter-and-number runs,
    // each as "run"*, joined with " AND "; empty when there is none. Pure;
    // any thread.
    static std::string ftsQuery(std::string_view text);

    // Local edits ------------------------------------------------------------

    // Favourite ("favorite", value 1 or 0) or rating ("rating") of a stored
    // song, queued for the server; none when the song is not stored.
    std::optional<Song> edit(const Song& song, const std::string& kind, std::int64_t value);
    // The same for an album or an artist; one the store lacks is stored with
    // the generation "detail". Ratings are bounded to 0...5.
    Album edit(const Album& album, const std::string& kind, std::int64_t value);
    Album rate(const Album& album, std::int64_t rating);
    Artist edit(const Artist& artist, const std::string& kind, std::int64_t value);
    Artist rate(const Artist& artist, std::int64_t rating);
    std::vector<PendingEdit> pendingEdits();
    // Removes the edit unless its queued value changed since it was read.
    void acknowledge(const PendingEdit& edit);

    // Key-value state and downloads --------------------------------------------

    std::optional<std::string> state(const std::string& key);
    void setState(const std::string& key, const std::string& value);
    // Stores `queueJSON` (the play queue's own JSON text, as given) under
    // "queue" when given, then the position's shortest round-trip decimal
    // text ("42.0") under "position": two separate writes.
    void savePlayback(const std::optional<std::string>& queueJSON, double position);
    std::vector<DownloadRecord> downloads();
    void saveDownload(const DownloadRecord& record);
    void removeDownload(const std::string& id);

    // Playlists ----------------------------------------------------------------

    // Makes the stored set equal to `playlists` (with their entries).
    void replacePlaylists(const std::vector<Playlist>& playlists);
    void savePlaylist(const Playlist& playlist);
    // Every stored playlist without entries, by name ignoring ASCII case.
    std::vector<Playlist> playlists();
    // The entries in order, each as the library's stored song when there is
    // one, else as the server sent it.
    std::vector<Song> playlistSongs(const std::string& id);

private:
    // Runs `fn(connection)` on the queue and returns its result; see the
    // class comment. Defined in store/library_connection.h.
    template <class Fn> auto perform(Fn fn) -> std::invoke_result_t<Fn&, LibraryConnection&>;

    Executor& mainActor_;
    std::shared_ptr<RevisionCounters> counters_;
    std::unique_ptr<LibraryConnection> connection_;
    std::unique_ptr<SerialQueue> queue_;
};

} // namespace sorvalind
