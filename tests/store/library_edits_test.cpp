#include "store_test_support.h"

#include "errors/database_error.h"
#include "library/json_coding.h"

namespace sorvalind::test {
namespace {

using EditsTest = StoreTest;
using Edits = std::vector<LibraryRepository::PendingEdit>;

void storeSong(LibraryRepository& store, const Song& song, std::vector<Album> albums = {},
               std::vector<Artist> artists = {}) {
    store.ingest(SearchPage::make(std::move(artists), std::move(albums), {song}), "g");
}

TEST_F(EditsTest, SongFavouriteAndRating) {
    auto& store = open();
    auto song = Song::make("s1", "One", "Ann");
    song.starred = "2024-01-01";
    storeSong(store, song);
    auto before = store.revisions();

    // Only the identifier of the argument counts.
    auto unfavourite = store.edit(Song::make("s1", "Whatever"), "favorite", 0);
    ASSERT_TRUE(unfavourite);
    EXPECT_EQ(unfavourite->title, "One");
    EXPECT_EQ(unfavourite->starred, std::nullopt);
    EXPECT_EQ(value("SELECT starred FROM songs"), "0");
    auto favourite = store.edit(song, "favorite", 1);
    EXPECT_EQ(favourite->starred, "pending");
    EXPECT_EQ(value("SELECT starred FROM songs"), "1");
    EXPECT_EQ(store.revisions().songs, before.songs + 2);

    // Song ratings are queued unbounded; the push bounds them.
    EXPECT_EQ(store.edit(song, "rating", 7)->userRating, 7);
    EXPECT_EQ(value("SELECT rating FROM songs"), "7");
    EXPECT_EQ(store.pendingEdits(), (Edits{{"s1:favorite", "s1", "favorite", 1, LibraryItemKind::song},
                                           {"s1:rating", "s1", "rating", 7, LibraryItemKind::song}}));

    // The same value again changes no row, so no counter moves.
    auto revisions = store.revisions();
    store.edit(song, "rating", 7);
    EXPECT_EQ(store.revisions(), revisions);

    EXPECT_EQ(store.edit(Song::make("missing", "x"), "favorite", 1), std::nullopt);
    EXPECT_EQ(store.pendingEdits().size(), 2u);
}

TEST_F(EditsTest, AlbumAndArtistEditsStoreUnknownItemsAsDetailRows) {
    auto& store = open();
    auto album = Album::make("al1", "Album", "Ann");
    auto rated = store.rate(album, 7);
    EXPECT_EQ(rated.userRating, 5);
    EXPECT_EQ(value("SELECT id||'|'||title||'|'||artist||'|'||generation FROM albums"),
              "al1|Album|Ann|detail");
    EXPECT_EQ(store.rate(album, -2).userRating, 0);

    auto artist = Artist::make("ar1", "Ann");
    store.edit(artist, "favorite", 1);
    auto latest = store.edit(artist, "favorite", 0);
    EXPECT_EQ(latest.starred, std::nullopt);
    EXPECT_EQ(store.revisions(), (LibraryRevisions{0, 2, 2, 0, 0}));
    EXPECT_EQ(store.pendingEdits(),
              (Edits{{"album:al1:rating", "al1", "rating", 0, LibraryItemKind::album},
                     {"artist:ar1:favorite", "ar1", "favorite", 0, LibraryItemKind::artist}}));
}

TEST_F(EditsTest, StoredAlbumKeepsItsColumnsAndGeneration) {
    auto& store = open();
    auto album = Album::make("al1", "Album", "Ann");
    storeSong(store, Song::make("s1", "One"), {album});
    // The stored album wins over the argument's other fields.
    auto edited = store.edit(Album::make("al1", "Renamed"), "favorite", 1);
    EXPECT_EQ(edited.name, "Album");
    EXPECT_EQ(edited.starred, "pending");
    EXPECT_EQ(value("SELECT title||'|'||generation FROM albums"), "Album|g");
    // An unknown kind changes nothing but is still queued.
    EXPECT_EQ(store.edit(album, "shuffle", 3), edited);
    EXPECT_EQ(store.pendingEdits().size(), 2u);
}

TEST_F(EditsTest, AcknowledgeRemovesOnlyTheSameValue) {
    auto& store = open();
    storeSong(store, Song::make("s1", "One"));
    store.edit(Song::make("s1", "One"), "rating", 3);
    auto sent = store.pendingEdits().front();
    store.edit(Song::make("s1", "One"), "rating", 4);
    store.acknowledge(sent);
    EXPECT_EQ(store.pendingEdits(), (Edits{{"s1:rating", "s1", "rating", 4, LibraryItemKind::song}}));
    sent.value = 4;
    store.acknowledge(sent);
    EXPECT_TRUE(store.pendingEdits().empty());
}

TEST_F(EditsTest, UnexpectedTargetReadsAsSongEdit) {
    auto& store = open();
    raw().execute("INSERT INTO edits VALUES('x:favorite','x','favorite',1,'Album')");
    EXPECT_EQ(store.pendingEdits(), (Edits{{"x:favorite", "x", "favorite", 1, LibraryItemKind::song}}));
}

TEST_F(EditsTest, FailedEditChangesNeitherItemNorQueue) {
    auto& store = open();
    storeSong(store, Song::make("s1", "One"));
    auto before = store.revisions();
    // Queueing fails after the song row was rewritten.
    raw().execute("CREATE TRIGGER refuse BEFORE INSERT ON edits BEGIN SELECT RAISE(ABORT,'refused'); END;");
    try {
        store.edit(Song::make("s1", "One"), "favorite", 1);
        FAIL() << "no failure";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.message(), "refused");
    }
    EXPECT_EQ(store.revisions(), before);
    EXPECT_EQ(value("SELECT starred FROM songs"), "0");
    EXPECT_TRUE(store.pendingEdits().empty());
}

} // namespace
} // namespace sorvalind::test
