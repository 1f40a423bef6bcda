// Playlist edits and collection downloads: the connection guard of every
// edit, edits reaching the server and coming back through a fresh fetch, an
// append that keeps what was added elsewhere, the deletion's way home, the
// failures shown, and the downloads of a stored album or playlist.

#include "app_model_fixture.h"

namespace sorvalind::test {
namespace {

using IDs = std::vector<std::string>;

constexpr const char* permissionText = "This account does not have permission to perform that operation.";

struct Playlists : AppModelFixture {
    void SetUp() override {
        makeConfigured();
        start();
        stored = onStore([](LibraryRepository& repository) { return repository.songs("", SongSort::title); });
        ASSERT_GE(stored.size(), 6u);
        ASSERT_TRUE(published("pl-1") && published("pl-2"));
    }

    std::optional<Playlist> published(const std::string& id) const {
        for (const Playlist& playlist : model->playlists().value())
            if (playlist.id == id) return playlist;
        return std::nullopt;
    }
    std::optional<Playlist> publishedNamed(const std::string& name) const {
        for (const Playlist& playlist : model->playlists().value())
            if (playlist.name == name) return playlist;
        return std::nullopt;
    }
    IDs storedEntries(const std::string& id) {
        return songIDs(onStore([id](LibraryRepository& r) { return r.playlistSongs(id); }));
    }
    IDs serverEntries(const std::string& id) {
        return server->withLibrary([&](loopback::FakeLibrary& library) {
            IDs ids;
            for (const auto& entry : library.playlists.at(id)["entry"])
                ids.push_back(entry["id"].get<std::string>());
            return ids;
        });
    }
    IDs shownSongs() const { return songIDs(*model->songs().value()); }
    IDs jobs() const {
        IDs ids;
        for (const auto& job : model->downloads().jobs().value())
            ids.push_back(job.id());
        return ids;
    }
    std::size_t editRequests() const {
        return requests("createPlaylist") + requests("updatePlaylist") + requests("deletePlaylist");
    }

    std::vector<Song> stored;
};

TEST_F(Playlists, WithoutAConnectionEveryEditSaysSoAndSendsNothing) {
    const Playlist playlist = *published("pl-1");
    const std::vector<Song> songs = {stored[0]};
    const std::vector<std::pair<std::string, std::function<TaskHandle()>>> edits = {
        {"create", [&] { return model->savePlaylist(std::nullopt, "New", songs); }},
        {"save", [&] { return model->savePlaylist(playlist.id, "New", songs); }},
        {"add", [&] { return model->addToPlaylist(playlist, songs); }},
        {"rename", [&] { return model->renamePlaylist(playlist, "New"); }},
        {"delete", [&] { return model->deletePlaylist(playlist); }},
    };
    const IDs entries = storedEntries("pl-1");
    model->setRoute("playlist:pl-1");

    // Online without a client (a locked login), then forced offline with one.
    const auto client = model->api();
    for (const bool forcedOffline : {false, true}) {
        if (forcedOffline) {
            model->setApi(client);
            model->setForceOfflineMode(true);
        } else {
            model->setApi(nullptr);
        }
        server->clearRequests();
        for (const auto& [name, edit] : edits) {
            model->clearError();
            await(edit());
            EXPECT_EQ(model->error().value(), std::optional<std::string>(AppModel::playlistsOfflineText))
                << name;
        }
        await(model->refreshPlaylists());
        main.runUntilIdle();
        EXPECT_EQ(editRequests(), 0u);
        EXPECT_EQ(requests("getPlaylists"), 0u);
        EXPECT_EQ(model->route().value(), "playlist:pl-1");
        EXPECT_EQ(storedEntries("pl-1"), entries);
    }
}

TEST_F(Playlists, EditsReachTheServerAndComeBackThroughAFreshFetch) {
    await(model->savePlaylist(std::nullopt, "Empty", {}));
    const auto created = publishedNamed("Empty");
    ASSERT_TRUE(created);
    EXPECT_TRUE(serverEntries(created->id).empty());

    // Replacing keeps the given order and every duplicate, and renames.
    await(model->savePlaylist(created->id, "Three", {stored[1], stored[0], stored[1]}));
    const IDs three = {stored[1].id, stored[0].id, stored[1].id};
    EXPECT_EQ(serverEntries(created->id), three);
    EXPECT_EQ(storedEntries(created->id), three);
    ASSERT_TRUE(published(created->id));
    EXPECT_EQ(published(created->id)->name, "Three");

    await(model->renamePlaylist(*published(created->id), "Renamed"));
    EXPECT_EQ(published(created->id)->name, "Renamed");
    EXPECT_EQ(storedEntries(created->id), three);
    EXPECT_FALSE(model->error().value());
}

// The stored copy is stale: someone added a song on the server since the
// last fetch. Appending must keep that song, add the new ones after it
// (again if already listed) and show the result on the playlist's page.
TEST_F(Playlists, AddingKeepsEntriesAddedElsewhere) {
    const Playlist stale = *published("pl-1");
    IDs expected = serverEntries("pl-1");
    ASSERT_EQ(storedEntries("pl-1"), expected);
    ASSERT_FALSE(expected.empty());
    model->setRoute("playlist:pl-1");
    await(model->load());
    ASSERT_EQ(shownSongs(), expected);

    const Song elsewhere = stored[5];
    server->withLibrary([&](loopback::FakeLibrary& library) {
        library.playlists.at("pl-1")["entry"].push_back(*library.song(elsewhere.id));
    });
    expected.push_back(elsewhere.id);

    const Song again = *std::find_if(stored.begin(), stored.end(),
                                     [&](const Song& song) { return song.id == expected.front(); });
    await(model->addToPlaylist(stale, {stored[1], again}));
    expected.insert(expected.end(), {stored[1].id, again.id});

    EXPECT_EQ(serverEntries("pl-1"), expected);
    EXPECT_EQ(storedEntries("pl-1"), expected);
    EXPECT_EQ(shownSongs(), expected);
    EXPECT_EQ(requests("createPlaylist"), 0u);
    EXPECT_FALSE(model->error().value());
}

TEST_F(Playlists, DeletingShowsHomeAndBackReturnsToThePageShownBefore) {
    model->setRoute("playlist:pl-2");
    model->setRoute("Albums");
    model->goBack();
    ASSERT_EQ(model->forwardRoutes().value(), IDs{"Albums"});

    await(model->deletePlaylist(*published("pl-2")));
    EXPECT_EQ(model->route().value(), "Home");
    EXPECT_TRUE(model->forwardRoutes().value().empty());
    EXPECT_FALSE(published("pl-2"));
    EXPECT_TRUE(published("pl-1"));
    EXPECT_EQ(
        server->withLibrary([](loopback::FakeLibrary& library) { return library.playlists.count("pl-2"); }),
        0u);

    model->goBack();
    EXPECT_EQ(model->route().value(), "playlist:pl-2");
}

TEST_F(Playlists, FailuresAreShownAndLeaveTheStoredListAsFetched) {
    const Playlist playlist = *published("pl-1");
    const IDs entries = storedEntries("pl-1");
    model->setRoute("playlist:pl-1");
    struct Case {
        std::string method;
        std::function<TaskHandle()> edit;
    };
    const std::vector<Case> cases = {
        {"createPlaylist", [&] { return model->savePlaylist(playlist.id, "Other", {stored[0]}); }},
        {"updatePlaylist", [&] { return model->addToPlaylist(playlist, {stored[0]}); }},
        {"updatePlaylist", [&] { return model->renamePlaylist(playlist, "Other"); }},
        {"deletePlaylist", [&] { return model->deletePlaylist(playlist); }},
    };
    for (const auto& c : cases) {
        model->clearError();
        server->clearRequests();
        server->injectFault(loopback::FakeFault::subsonicError(50), 1, c.method);
        await(c.edit());
        EXPECT_EQ(model->error().value(), std::optional<std::string>(permissionText)) << c.method;
        // Nothing is fetched again and the page stays.
        EXPECT_EQ(requests("getPlaylists"), 0u) << c.method;
        EXPECT_EQ(model->route().value(), "playlist:pl-1");
        EXPECT_EQ(published("pl-1")->name, playlist.name);
        EXPECT_EQ(storedEntries("pl-1"), entries);
    }

    // Done on the server, but the fetch after it fails: the failure shows and
    // the stored list stays stale until the next fetch.
    model->clearError();
    server->injectFault(loopback::FakeFault::subsonicError(50), 1, "getPlaylists");
    await(model->renamePlaylist(playlist, "Renamed"));
    EXPECT_EQ(model->error().value(), std::optional<std::string>(permissionText));
    EXPECT_EQ(server->withLibrary([](loopback::FakeLibrary& library) {
        return library.playlists.at("pl-1")["name"].get<std::string>();
    }),
              "Renamed");
    EXPECT_EQ(published("pl-1")->name, playlist.name);
    model->clearError();
    await(model->refreshPlaylists());
    EXPECT_EQ(published("pl-1")->name, "Renamed");
    EXPECT_FALSE(model->error().value());
}

// Shutdown cuts an edit in flight off the network and ends only after it:
// its failure is not shown and no fetch follows.
TEST_F(Playlists, ShutdownEndsAnEditInFlightQuietly) {
    MethodGate gate(*server, "updatePlaylist");
    const std::size_t fetches = requests("getPlaylists");
    const TaskHandle edit = model->renamePlaylist(*published("pl-1"), "Late");
    drive([&] { return requests("updatePlaylist") == 1; });
    const TaskHandle stopped = model->shutdown();
    await(stopped);
    EXPECT_TRUE(edit.isFinished());
    EXPECT_FALSE(model->error().value());
    EXPECT_EQ(requests("getPlaylists"), fetches);
}

TEST_F(Playlists, CollectionDownloadsQueueTheStoredSongsEvenOffline) {
    model->setForceOfflineMode(true);
    storeSongListedTwice(stored[0], stored[1]);
    Playlist twice;
    twice.id = "pl-twice";
    await(model->downloadPlaylist(twice, DownloadQuality::original));
    // Playlist order; the song listed twice is queued once.
    EXPECT_EQ(jobs(), (IDs{stored[0].id + ":original", stored[1].id + ":original"}));

    Album album;
    album.id = *stored[0].albumId;
    const auto albumSongs = onStore([id = album.id](LibraryRepository& repository) {
        return repository.songs("", SongSort::title, false, id);
    });
    ASSERT_GE(albumSongs.size(), 2u);
    IDs expected = jobs();
    for (const Song& song : albumSongs)
        expected.push_back(song.id + ":mp3_192");
    await(model->downloadAlbum(album, DownloadQuality::mp3_192));
    EXPECT_EQ(jobs(), expected);
    // Asked again, the queue already holds them all.
    await(model->downloadAlbum(album, DownloadQuality::mp3_192));
    EXPECT_EQ(jobs(), expected);
    EXPECT_EQ(requests("download") + requests("stream"), 0u);
    EXPECT_FALSE(model->error().value());

    // A store that cannot be read is reported.
    onStore([](LibraryRepository& repository) { repository.close(); });
    await(model->downloadAlbum(album, DownloadQuality::original));
    EXPECT_EQ(model->error().value(),
              std::optional<std::string>("The local library operation failed. Please try again."));
    EXPECT_EQ(jobs(), expected);
}

} // namespace
} // namespace sorvalind::test
