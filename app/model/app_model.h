#pragma once
// The model of one server account: it owns that account's store, engine,
// playback, downloads and cover-art cache, decides online and offline,
// drives synchronisation, loads the library pages from the store and keeps
// navigation. The coordinator alone makes, starts, shuts down and replaces
// it; views observe its published values and call its operations.
//
// Main actor only, every member. Work that outlives a call (loads, the
// synchronisation, the statistics read, the tick, the refresh loop) holds the
// model weakly and ends quietly once the model is gone; a started model must
// still be shut down before it is dropped, since dropping it neither cancels
// its tasks nor closes its store. Operations report failures through
// `error` (reportError); only make() and shutdown() hand failures back.

#include "app_environment.h"
#include "browse_scroll_key.h"
#include "featured_albums.h"
#include "library_requests.h"
#include "song_share_destination.h"

#include "downloads/download_manager.h"
#include "library/album.h"
#include "library/api_extension.h"
#include "library/artist.h"
#include "library/download_quality.h"
#include "library/listening_statistics.h"
#include "library/playlist.h"
#include "library/song.h"
#include "library/song_details.h"
#include "library/song_sort.h"
#include "runtime/outcome.h"
#include "runtime/published.h"
#include "runtime/subject.h"
#include "runtime/subscription.h"
#include "runtime/task_handle.h"
#include "runtime/task_loop.h"
#include "server/api_client.h"
#include "server/apple_music_links.h"
#include "server/offline_state.h"
#include "server/server_configuration.h"
#include "store/library_repository.h"
#include "sync/sync_engine.h"
#include "sync/sync_progress.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <unordered_map>
#include <vector>

namespace sorvalind {

class AppModel : public std::enable_shared_from_this<AppModel> {
public:
    // Lists are shared, never copied: views hold the same storage, and "the
    // very same list" is a pointer comparison.
    using SongList = std::shared_ptr<const std::vector<Song>>;
    using AlbumList = std::shared_ptr<const std::vector<Album>>;
    using ArtistList = std::shared_ptr<const std::vector<Artist>>;
    using SongIndex = std::shared_ptr<const std::unordered_map<std::string, std::vector<std::size_t>>>;
    using MadeCallback = std::function<void(Outcome<std::shared_ptr<AppModel>>)>;

    struct AlbumSongReveal {
        std::uint64_t id = 0; // new per request, so two requests for one song differ
        std::string albumID;
        std::string songID;
        friend bool operator==(const AlbumSongReveal&, const AlbumSongReveal&) = default;
    };

    // Status lines.
    static constexpr const char* initialStatus = "Your music, close at hand";
    static constexpr const char* offlineStatus = "Offline · downloaded music available";
    static constexpr const char* failedStatus = "Offline · local library available";
    static constexpr const char* recoveredStatus = "Connected · local library available";
    static constexpr const char* connectingStatus = "Connecting…";
    static constexpr const char* upToDateStatus = "Library up to date";
    static constexpr const char* pausedStatus = "Refresh paused · local library available";
    static constexpr const char* lockedStatus = "Offline · unlock saved login to reconnect";
    static constexpr const char* missingStatus = "Offline · sign in again to reconnect";
    static constexpr const char* consentStatus = "Offline · confirm HTTP connection to reconnect";
    static constexpr const char* blockedStatus = "Offline · update server address to reconnect";
    static constexpr const char* statisticsInterrupted =
        "Reading your saved library was interrupted. Try again.";

    static constexpr std::chrono::seconds tickInterval{1};
    static constexpr int probeEveryTicks = 5;
    static constexpr std::chrono::seconds refreshInterval{900};
    static constexpr std::chrono::seconds pageReloadInterval{15};

    // The per-server folder: <base>/Sorvalind/<SHA-256 of the identity, or of
    // "unconfigured">. Throws std::filesystem::filesystem_error for an empty
    // or relative base.
    static std::filesystem::path serverFolder(const std::filesystem::path& base,
                                              const std::optional<ServerConfiguration>& configuration);

    // Creates the per-server folder and opens its store off the main actor,
    // then the model (not started). `done` runs on the main actor with the
    // model, or with the folder's or the store's failure.
    static void make(const AppEnvironment& environment, std::optional<ServerConfiguration> configuration,
                     MadeCallback done);

    ~AppModel();
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // Start and stop ------------------------------------------------------------

    // Restores the queue and the downloads, loads the page, starts watching
    // connectivity, reads the password and starts the first synchronisation
    // and the refresh loop. Ends when the model runs (or stopped at the HTTP
    // consent gate); never fails.
    TaskHandle start();
    // Reads the saved password again (with the keyring's prompt when
    // allowed); at once when a client exists or a read is under way.
    TaskHandle unlockSavedLogin(bool allowInteraction);
    // Cancels every task, cuts the client off, shuts down artwork, downloads
    // and playback, waits for the model's own tasks and closes the store last.
    // Ends with the store's closing failure, if any.
    TaskHandle shutdown();
    bool isShuttingDown() const noexcept { return isShuttingDown_; }

    // Owned services ---------------------------------------------------------------

    LibraryRepository& repository() noexcept { return *repository_; }
    SyncEngine& synchronizer() noexcept { return *synchronizer_; }
    PlaybackControl& playback() noexcept { return *playback_; }
    DownloadManager& downloads() noexcept { return *downloads_; }
    ArtworkSource& artwork() noexcept { return *artwork_; }
    AppleMusicLinkResolver& appleMusicLinks() noexcept { return *appleMusicLinks_; }
    const std::optional<ServerConfiguration>& configuration() const noexcept { return configuration_; }
    const std::filesystem::path& folder() const noexcept { return folder_; }
    const std::shared_ptr<APIClient>& api() const noexcept { return api_; }
    // The sign-in hand-over and the tests: replaces the client, moving the
    // model's callbacks and the network switch to the new one. The caller
    // configures playback and downloads afterwards.
    void setApi(std::shared_ptr<APIClient> api);

    // Connectivity -------------------------------------------------------------------

    const Published<bool>& isOffline() const noexcept { return isOffline_; }
    const Published<std::set<std::string>>& downloadedSongIDs() const noexcept { return downloadedSongIDs_; }
    const Published<bool>& forceOfflineMode() const noexcept { return forceOfflineMode_; }
    // The settings switch; the change handling runs on every call.
    void setForceOfflineMode(bool forced);
    const Published<bool>& connected() const noexcept { return connected_; }
    const Published<std::string>& status() const noexcept { return status_; }
    const Published<std::optional<std::string>>& error() const noexcept { return error_; }
    // A view dismissing the message, whatever put it there.
    void clearError() { showError(std::nullopt); }
    // Shows `text` (none clears it) as a message that is not a connection
    // error, so that a recovered connection leaves it standing: a view's own
    // failure (a folder that cannot be shown) goes here.
    void showError(std::optional<std::string> text);
    bool isSongAvailable(const Song& song) const;
    // The sink of every failure a model operation or a view meets.
    void reportError(std::exception_ptr failure);
    const OfflineState& offlineState() const noexcept { return offlineState_; }
    // The "ping" in flight while the connection is marked lost; none when idle.
    const TaskHandle& connectionProbe() const noexcept { return connectionProbe_; }

    // Saved login -----------------------------------------------------------------------

    const Published<bool>& credentialsLocked() const noexcept { return credentialsLocked_; }
    const Published<bool>& credentialsMissing() const noexcept { return credentialsMissing_; }
    const Published<bool>& unlockingCredentials() const noexcept { return unlockingCredentials_; }

    // Synchronisation and statistics -------------------------------------------------

    // Starts a synchronisation unless one runs, the model is offline or shutting
    // down, or there is no client.
    void refresh();
    // Cancels the synchronisation and every background task of the model.
    void cancelSync();
    const Published<bool>& syncing() const noexcept { return syncing_; }
    const TaskHandle& syncTask() const noexcept { return syncTask_; }
    const std::vector<APIExtension>& extensions() const noexcept { return extensions_; }
    // The sign-in hand-over: the extensions the sign-in's validation returned.
    void setExtensions(std::vector<APIExtension> extensions) { extensions_ = std::move(extensions); }
    const Published<bool>& supportsSharing() const noexcept { return supportsSharing_; }
    bool refreshAfterCancellation() const noexcept { return refreshAfterCancellation_; }
    void loadStatistics();
    const Published<std::optional<ListeningStatistics>>& statistics() const noexcept { return statistics_; }
    const Published<bool>& statisticsLoading() const noexcept { return statisticsLoading_; }
    const Published<std::optional<std::string>>& statisticsError() const noexcept { return statisticsError_; }

    // Download preferences ------------------------------------------------------------

    const Published<DownloadQuality>& downloadQuality() const noexcept { return downloadQuality_; }
    void setDownloadQuality(DownloadQuality quality);
    const Published<bool>& automaticallyDownloadFavorites() const noexcept {
        return automaticallyDownloadFavorites_;
    }
    void setAutomaticallyDownloadFavorites(bool enabled);
    const Published<DownloadQuality>& favoriteDownloadQuality() const noexcept {
        return favoriteDownloadQuality_;
    }
    void setFavoriteDownloadQuality(DownloadQuality quality);
    // Queues every favourite song in the favourite quality when the option is
    // on and the songs changed since the last run; never fails.
    TaskHandle updateFavoriteDownloads();

    // Metadata edits ---------------------------------------------------------------------

    // Favourite toggles (decided from the copy passed, not re-read) and
    // ratings: applied to the store at once, then pushed when online. Return
    // at once; failures go to `error`.
    void favorite(const Song& song);
    void favorite(const Album& album);
    void favorite(const Artist& artist);
    void rate(const Song& song, std::int64_t rating);
    void rate(const Album& album, std::int64_t rating);
    void rate(const Artist& artist, std::int64_t rating);
    // A queued song edit ("favorite" 1 or 0, or "rating"): ends once it is in
    // the store and on screen, with the store's failure if any. Every edit
    // starts only after all edits submitted before it have ended.
    TaskHandle editSong(const Song& song, const std::string& kind, std::int64_t value);
    // The newest submitted edit; never reset once it ends.
    const TaskHandle& metadataEditTask() const noexcept { return metadataEditTask_; }

    // Sharing ----------------------------------------------------------------------------------

    // The server share can be offered: online, answering, with a client and
    // the user's share permission.
    bool canShareSongs() const;
    // Whether the menus offer `destination` for `songs`: never offline,
    // while a share runs or for no songs; the catalogue destinations only for
    // one song with a title and an artist.
    bool canShare(const std::vector<Song>& songs, SongShareDestination destination) const;
    // Starts a share when canShare() allows it and returns at once; the link
    // lands on the pasteboard and the outcome in `status` or `error`. Going
    // offline cancels it without a message.
    void share(const std::vector<Song>& songs, SongShareDestination destination);
    const Published<bool>& creatingShare() const noexcept { return creatingShare_; }
    // The running share; none when idle.
    const TaskHandle& sharingTask() const noexcept { return sharingTask_; }

    // Artist biographies -----------------------------------------------------------------

    // Asks the server for the artist's biography unless `artistBiographies`
    // holds it (even empty), the model is offline or has no client. The
    // answer is kept only when `stop` was not requested and the client that
    // asked is still the model's. Always ends successfully: a failure leaves
    // nothing behind, so a later call asks again. (Only a model dropped
    // before the answer ends it with a cancellation.)
    TaskHandle loadArtistBiography(const std::string& id, std::stop_token stop = {});

    // Playlists and collection downloads ---------------------------------------------------

    // Playlist edits are never queued locally: each goes to the server at once
    // with the client present at the call, and needs a connection. Without
    // one an edit sends nothing and shows this text. After an edit the
    // playlists are fetched again and the page reloads.
    static constexpr const char* playlistsOfflineText = "Connect to your server to edit playlists.";

    // Fetches the server's playlists into the store, then reloads the page.
    // Offline or without a client it does nothing; a cancelled fetch is not
    // reported, any other failure goes to `error` and skips the reload.
    TaskHandle refreshPlaylists();
    // The operations below return at once; the handle ends with their work
    // (its refresh included), successfully while the model lives, since
    // failures go to `error`. Nobody needs to keep it; the model never
    // cancels it, and shutdown waits for it.
    //
    // Creates a playlist (no id) or replaces its contents and name.
    TaskHandle savePlaylist(const std::optional<std::string>& id, const std::string& name,
                            const std::vector<Song>& songs);
    // Appends on the server rather than saving the stored copy plus the new
    // songs: entries added elsewhere since the last fetch stay.
    TaskHandle addToPlaylist(const Playlist& playlist, const std::vector<Song>& songs);
    // The same by song identifiers, for callers that hold no song copies.
    TaskHandle addToPlaylist(const Playlist& playlist, std::vector<std::string> songIDs);
    TaskHandle renamePlaylist(const Playlist& playlist, const std::string& name);
    // Once the server deleted it, the home page shows (the page shown before
    // goes onto the back history).
    TaskHandle deletePlaylist(const Playlist& playlist);
    // Hand the collection's stored songs to the download queue, whatever the
    // connectivity; the queue skips those already queued or downloaded.
    TaskHandle downloadAlbum(const Album& album, DownloadQuality quality);
    TaskHandle downloadPlaylist(const Playlist& playlist, DownloadQuality quality);

    // Library loading ---------------------------------------------------------------------

    // Reads from the store what the current page needs and publishes what
    // changed. A newer load, or `stop`, makes it publish nothing.
    TaskHandle load(std::stop_token stop = {});
    const Published<SongList>& songs() const noexcept { return songs_; }
    const Published<std::int64_t>& songsRevision() const noexcept { return songsRevision_; }
    const Published<std::int64_t>& librarySongCount() const noexcept { return librarySongCount_; }
    const Published<bool>& loading() const noexcept { return loading_; }
    const Published<AlbumList>& albums() const noexcept { return albums_; }
    const Published<ArtistList>& artists() const noexcept { return artists_; }
    const Published<std::vector<Playlist>>& playlists() const noexcept { return playlists_; }
    const Published<std::vector<std::string>>& genres() const noexcept { return genres_; }
    const Published<std::map<std::string, std::string>>& artistBiographies() const noexcept {
        return artistBiographies_;
    }
    // The full album list the home banner picks from; the banner rotation
    // follows it.
    const Published<AlbumList>& featuredAlbumLibrary() const noexcept { return featuredAlbumLibrary_; }
    // The home banner's rotation and the album it shows. It lives here, not
    // in the banner, so that coming back home shows the same album; a load
    // keeps it current whenever the album list changed.
    const Published<FeaturedAlbums>& featuredAlbums() const noexcept { return featuredAlbums_; }
    // Shows the album `offset` places further on, wrapping both ways.
    void moveFeaturedAlbum(std::ptrdiff_t offset);
    // Draws a new rotation from featuredAlbumLibrary(), preferring albums not
    // featured before; it never opens with the album shown.
    void refreshFeaturedAlbums();
    // Shows that album of the rotation; an id outside it changes nothing.
    void selectFeaturedAlbum(const std::string& id);
    const Subject<Song>& songMetadataChanges() const noexcept { return songMetadataChanges_; }
    // The route the published `songs` were loaded for; none before the first
    // load and for pages without a song list.
    std::optional<std::string> loadedSongRoute() const;
    // The song of that id in `songs`, through the index.
    const Song* song(const std::string& id) const;
    // Every position of that id in `songs` (a playlist may hold a song twice).
    const std::vector<std::size_t>* songPositions(const std::string& id) const;
    std::uint64_t songDataVersion() const noexcept { return songDataVersion_; }

    const Published<std::string>& query() const noexcept { return query_; }
    void setQuery(std::string text) { query_.set(std::move(text)); }
    const Published<SongSort>& sort() const noexcept { return sort_; }
    void setSort(SongSort sort) { sort_.set(sort); }

    // Navigation -------------------------------------------------------------------------------

    const Published<std::optional<std::string>>& route() const noexcept { return route_; }
    // Every assignment runs the history rule, whoever makes it.
    void setRoute(std::optional<std::string> route);
    const Published<std::vector<std::string>>& backRoutes() const noexcept { return backRoutes_; }
    const Published<std::vector<std::string>>& forwardRoutes() const noexcept { return forwardRoutes_; }
    void goBack();
    void goForward();
    void showAlbum(const Song& song);
    void showArtist(const Artist& artist);
    void showSongDetailDestination(const SongDetailDestination& destination);
    void activateStatistics(const ListeningStatistics::Action& action, const std::vector<Song>& topSongs);
    const Published<std::optional<AlbumSongReveal>>& albumSongReveal() const noexcept {
        return albumSongReveal_;
    }
    // The pending reveal once the album page's own songs are published.
    std::optional<AlbumSongReveal> readyAlbumSongReveal() const;
    std::vector<Album> albumsForArtistID(const std::string& id) const;
    std::vector<Artist> legacyArtistCredits(const std::optional<std::string>& name,
                                            const std::optional<std::string>& id) const;
    const Published<bool>& queuePresented() const noexcept { return queuePresented_; }
    void setQueuePresented(bool presented) { queuePresented_.set(presented); }
    const Published<std::optional<Song>>& detailsSong() const noexcept { return detailsSong_; }
    void setDetailsSong(std::optional<Song> song) { detailsSong_.set(std::move(song)); }
    const Published<std::optional<std::vector<Song>>>& newPlaylistSongs() const noexcept {
        return newPlaylistSongs_;
    }
    void setNewPlaylistSongs(std::optional<std::vector<Song>> songs) {
        newPlaylistSongs_.set(std::move(songs));
    }
    BrowseScrollKey browseScrollKey(std::string section) const {
        return BrowseScrollKey::make(route_.value(), query_.value(), std::move(section));
    }
    bool isCurrent(const BrowseScrollKey& key) const { return key.isCurrent(route_.value(), query_.value()); }
    // The grids' remembered offsets, for the model's life only.
    std::unordered_map<BrowseScrollKey, double, BrowseScrollKeyHash>& browseScrollOffsets() noexcept {
        return browseScrollOffsets_;
    }

private:
    struct Private {};

public:
    AppModel(Private, const AppEnvironment& environment, std::unique_ptr<LibraryRepository> repository,
             std::filesystem::path folder, std::optional<ServerConfiguration> configuration);

private:
    struct FavoriteDownloadRequest {
        std::int64_t revision = 0;
        DownloadQuality quality = DownloadQuality::original;
        friend bool operator==(const FavoriteDownloadRequest&, const FavoriteDownloadRequest&) = default;
    };
    struct LoadPass;

    // Runs `fn` on the store's queue and `done(model, outcome)` back on the
    // main actor while the model exists.
    template <class Fn, class Done> void onStore(Fn fn, Done done);
    template <class Fn, class Done> void onWorkers(Fn fn, Done done);
    template <class Done> void after(const TaskHandle& task, Done done);

    // Start-up and the saved login.
    void startAfterRestore(std::shared_ptr<TaskSource> source);
    void startAfterLoad(std::shared_ptr<TaskSource> source);
    void startClients(std::shared_ptr<TaskSource> source);
    void credentialReadFailed(std::exception_ptr failure, bool showError);
    std::shared_ptr<APIClient> makeClient(const std::string& password);
    void startPeriodicRefresh();
    void finishShutdown(std::shared_ptr<TaskSource> source);

    // Connectivity.
    void startConnectivityMonitoring();
    void tick();
    void applyOfflineState();
    void configureClients();
    void probeConnectionIfNeeded();
    void connectionFailed();
    void connectionRecovered();
    void pathChanged(bool available);
    void downloadRecordsChanged(const std::vector<DownloadRecord>& records);
    PlaybackControl::ArtworkProvider artworkProvider(std::shared_ptr<APIClient> client);
    DownloadManager::PrepareArtwork prepareArtwork(std::shared_ptr<APIClient> client);
    void startArtworkBackfill(std::shared_ptr<APIClient> client);

    // Synchronisation.
    void syncStep(std::shared_ptr<TaskSource> source, std::shared_ptr<APIClient> client, int step);
    void syncFailed(std::shared_ptr<TaskSource> source, std::exception_ptr failure);
    void finishSync(std::shared_ptr<TaskSource> source);
    void syncProgress(const SyncProgress& progress, SteadyTime now);
    void readStatistics(std::shared_ptr<TaskSource> source);

    // Metadata edits.
    using EditStep = std::function<void(AppModel&, std::shared_ptr<TaskSource>)>;
    TaskHandle enqueueEdit(EditStep step);
    template <class Item>
    TaskHandle editDetail(const Item& item, const std::string& kind, std::int64_t value,
                          std::map<std::string, Item> AppModel::*details);
    TaskHandle editAlbum(const Album& album, const std::string& kind, std::int64_t value);
    TaskHandle editArtist(const Artist& artist, const std::string& kind, std::int64_t value);
    void finishEdit(const TaskHandle& edit);
    void applySongEdit(std::shared_ptr<TaskSource> source, const Song& song, const std::string& kind,
                       std::int64_t value);
    void patchEditedSong(std::shared_ptr<TaskSource> source, std::shared_ptr<const Song> song);
    void computeSongPatch(std::shared_ptr<TaskSource> source, std::shared_ptr<const Song> song,
                          std::int64_t revision, bool reload);
    void applySongPatch(SongList songs, SongIndex index, bool changed, const Song& song,
                        std::int64_t revision);

    // Sharing.
    void shareFailed(std::shared_ptr<TaskSource> source, SongShareDestination destination,
                     std::shared_ptr<APIClient> client, std::exception_ptr failure);
    void endShare(TaskSource& source);

    // Playlists and collection downloads.
    using PlaylistCall = std::function<void(APIClient&, std::stop_token)>;
    using PlaylistEdited = std::function<void(AppModel&)>;
    using StoredSongsRead = std::function<std::vector<Song>(LibraryRepository&)>;
    std::shared_ptr<TaskSource> newPlaylistTask();
    TaskHandle editPlaylist(PlaylistCall call, PlaylistEdited edited = {});
    TaskHandle downloadStoredSongs(StoredSongsRead read, DownloadQuality quality);

    // Loading.
    void loadRead(std::shared_ptr<LoadPass> pass);
    void loadPublish(std::shared_ptr<LoadPass> pass);
    void loadEnd(const std::shared_ptr<LoadPass>& pass, std::exception_ptr failure);
    std::string effectiveRoute() const;

    void routeChanged(const std::optional<std::string>& old);
    void travel(Published<std::vector<std::string>>& from, Published<std::vector<std::string>>& to);
    std::weak_ptr<AppModel> weak() { return weak_from_this(); }
    Executor& main() const noexcept { return environment_.mainActor; }

    AppEnvironment environment_;
    std::filesystem::path folder_;

    // The fields in the order the model's description gives them.
    std::unique_ptr<LibraryRepository> repository_;                             // 0
    std::unique_ptr<SyncEngine> synchronizer_;                                  // 1
    std::unique_ptr<PlaybackControl> playback_;                                 // 2
    std::unique_ptr<DownloadManager> downloads_;                                // 3
    std::shared_ptr<ArtworkSource> artwork_;                                    // 4 (hooks hold it weakly)
    TaskHandle artworkBackfill_;                                                // 5
    std::optional<ServerConfiguration> configuration_;                          // 6
    Published<bool> isOffline_{false};                                          // 7
    Published<std::set<std::string>> downloadedSongIDs_;                        // 8
    Published<bool> forceOfflineMode_{false};                                   // 9
    OfflineState offlineState_;                                                 // 10
    bool pathAvailable_ = true;                                                 // 11
    std::unique_ptr<PathMonitor> pathMonitor_;                                  // 12
    std::unique_ptr<TaskLoop> connectivityTask_;                                // 13
    TaskHandle connectionProbe_;                                                // 14
    Subscription downloadObservation_;                                          // 15
    std::shared_ptr<APIClient> api_;                                            // 16
    std::vector<APIExtension> extensions_;                                      // 17
    Published<SongList> songs_{std::make_shared<const std::vector<Song>>()};    // 18
    Published<std::int64_t> songsRevision_{0};                                  // 19
    Published<std::int64_t> librarySongCount_{0};                               // 20
    Subject<Song> songMetadataChanges_;                                         // 21
    Published<bool> loading_{false};                                            // 22
    Published<AlbumList> albums_{std::make_shared<const std::vector<Album>>()}; // 23
    Published<AlbumList> featuredAlbumLibrary_{std::make_shared<const std::vector<Album>>()}; // 24, 25
    std::optional<std::int64_t> loadedFeaturedAlbumRevision_;                                 // 26
    Published<FeaturedAlbums> featuredAlbums_;                                                // 24
    Published<ArtistList> artists_{std::make_shared<const std::vector<Artist>>()};            // 27
    Published<std::map<std::string, std::string>> artistBiographies_;                         // 28
    Published<std::vector<Playlist>> playlists_;                                              // 29
    Published<std::vector<std::string>> genres_;                                              // 30
    Published<std::string> query_;                                                            // 31
    std::unordered_map<BrowseScrollKey, double, BrowseScrollKeyHash> browseScrollOffsets_;    // 32
    Published<SongSort> sort_{SongSort::title};                                               // 33
    Published<std::optional<std::string>> route_{std::string("Home")};                        // 34
    Published<std::vector<std::string>> backRoutes_;                                          // 35
    Published<std::vector<std::string>> forwardRoutes_;                                       // 36
    bool restoringRoute_ = false;                                                             // 37
    Published<std::optional<AlbumSongReveal>> albumSongReveal_;                               // 38
    Published<bool> queuePresented_{false};                                                   // 39
    Published<std::optional<Song>> detailsSong_;                                              // 40
    Published<std::optional<std::vector<Song>>> newPlaylistSongs_;                            // 41
    std::map<std::string, Artist> detailArtists_;                                             // 42
    std::map<std::string, Album> detailAlbums_;                                               // 43
    Published<std::string> status_{std::string(initialStatus)};                               // 44
    Published<bool> syncing_{false};                                                          // 45
    Published<std::optional<ListeningStatistics>> statistics_;                                // 46
    Published<bool> statisticsLoading_{false};                                                // 47
    Published<std::optional<std::string>> statisticsError_;                                   // 48
    TaskHandle statisticsTask_;                                                               // 49
    bool statisticsReloadRequested_ = false;                                                  // 50
    Published<bool> connected_{false};                                                        // 51
    Published<bool> supportsSharing_{false};                                                  // 52
    Published<bool> creatingShare_{false};                                                    // 53
    TaskHandle sharingTask_;                                                                  // 54
    std::shared_ptr<AppleMusicLinkResolver> appleMusicLinks_;                                 // 55
    Published<bool> credentialsLocked_{false};                                                // 56
    Published<bool> credentialsMissing_{false};                                               // 57
    Published<bool> unlockingCredentials_{false};                                             // 58
    Published<std::optional<std::string>> error_;                                             // 59
    std::optional<std::string> connectionError_;                                              // 60
    Preferences& preferences_;                                                                // 61
    Published<DownloadQuality> downloadQuality_{DownloadQuality::original};                   // 62
    Published<bool> automaticallyDownloadFavorites_{false};                                   // 63
    Published<DownloadQuality> favoriteDownloadQuality_{DownloadQuality::original};           // 64
    std::optional<FavoriteDownloadRequest> favoriteDownloadRequest_;                          // 65
    std::uint64_t favoriteDownloadToken_ = 0;                                                 // 66
    bool refreshAfterCancellation_ = false;                                                   // 67
    TaskHandle syncTask_;                                                                     // 68
    std::unique_ptr<TaskLoop> periodic_;                                                      // 69
    std::uint64_t queryToken_ = 0;                                                            // 70
    std::optional<SteadyTime> lastPageUpdate_;            // 71 (none: the distant past)
    std::optional<SongRequest> loadedSongRequest_;        // 72
    std::optional<CollectionRequest> loadedAlbumRequest_; // 73
    std::optional<ArtistRequest> loadedArtistRequest_;    // 74
    std::optional<std::int64_t> loadedPlaylistRevision_;  // 75
    std::optional<std::int64_t> loadedGenreRevision_;     // 76
    std::optional<std::int64_t> countedSongRevision_;     // 77
    SongIndex songIndexesByID_;                           // 78
    std::uint64_t songDataVersion_ = 0;                   // 79
    TaskHandle metadataEditTask_;                         // 80
    AppEnvironment::CredentialLoader credentialLoader_;   // 81
    bool isShuttingDown_ = false;                         // 82
    // The playlist and collection-download tasks under way: never cancelled,
    // but shutdown waits for them, since their work uses the engine and the
    // store.
    std::vector<TaskHandle> playlistTasks_;

    std::uint64_t nextToken_ = 1; // tokens and reveal ids: a counter, never random
    std::uint64_t nextToken() noexcept { return nextToken_++; }
};

} // namespace sorvalind
