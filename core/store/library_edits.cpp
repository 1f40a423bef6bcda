#include "store/library_writers.h"

#include "runtime/decimal_text.h"

#include <algorithm>

namespace sorvalind {
namespace {

std::int64_t boundedRating(std::int64_t rating) {
    return std::clamp<std::int64_t>(rating, 0, 5);
}

// An album or artist edit: the stored item (or the given one when the store
// lacks it, then stored under the generation "detail") with the edit shown,
// and the edit queued.
template <class Item>
Item editItem(LibraryConnection& connection, const Item& given, const std::string& kind, std::int64_t value,
              LibraryItemKind target) {
    const std::string table = target == LibraryItemKind::album ? "albums" : "artists";
    const std::string prefix = target == LibraryItemKind::album ? "album:" : "artist:";
    return connection.transaction([&](LibraryRevisions& changes) {
        auto stored = connection.record<Item>("SELECT json FROM " + table + " WHERE id=?", {given.id});
        Item item = stored ? std::move(*stored) : given;
        std::int64_t queued = value;
        if (kind == "rating") queued = boundedRating(value);
        applyEdit(item, kind, queued);
        auto json = toJSONText(item);
        if constexpr (std::is_same_v<Item, Album>) {
            std::string_view artist = item.artist ? std::string_view(*item.artist) : std::string_view();
            connection.run(
                "INSERT INTO albums VALUES(?,?,?,?,?) ON CONFLICT(id) DO UPDATE SET json=excluded.json",
                {item.id, item.name, artist, json, "detail"});
            ++changes.albums;
        } else {
            connection.run(
                "INSERT INTO artists VALUES(?,?,?,?) ON CONFLICT(id) DO UPDATE SET json=excluded.json",
                {item.id, item.name, json, "detail"});
            ++changes.artists;
        }
        connection.run(
            "INSERT OR REPLACE INTO edits(id,song_id,kind,value,target) VALUES(?,?,?,?,?)",
            {prefix + item.id + ":" + kind, item.id, kind, decimalText(queued), target.rawValue()});
        return item;
    });
}

} // namespace

std::vector<PendingEdit> readPendingEdits(LibraryConnection& connection) {
    auto statement = connection.statement("SELECT id,song_id,kind,value,target FROM edits");
    std::vector<PendingEdit> edits;
    // A failing step throws: an edit list cut short here would let the next
    // ingest overwrite the edits it lost.
    while (statement->step()) {
        PendingEdit edit;
        edit.id = statement->columnText(0).value_or("");
        edit.itemID = statement->columnText(1).value_or("");
        edit.kind = statement->columnText(2).value_or("");
        edit.value = statement->columnInt(3);
        edit.target =
            LibraryItemKind::fromRaw(statement->columnText(4).value_or("")).value_or(LibraryItemKind::song);
        edits.push_back(std::move(edit));
    }
    return edits;
}

std::optional<Song> LibraryRepository::edit(const Song& song, const std::string& kind, std::int64_t value) {
    return perform([&](LibraryConnection& connection) {
        return connection.transaction([&](LibraryRevisions& changes) -> std::optional<Song> {
            auto stored = connection.record<Song>("SELECT json FROM songs WHERE id=?", {song.id});
            if (!stored) return std::nullopt;
            applyEdit(*stored, kind, value);
            auto generation = connection.text("SELECT generation FROM songs WHERE id=?", {song.id});
            if (!generation) return std::nullopt;
            auto write = upsertSong(connection, *stored, *generation);
            connection.run("INSERT OR REPLACE INTO edits(id,song_id,kind,value) VALUES(?,?,?,?)",
                           {song.id + ":" + kind, song.id, kind, decimalText(value)});
            if (write.song) ++changes.songs;
            return stored;
        });
    });
}

Album LibraryRepository::edit(const Album& album, const std::string& kind, std::int64_t value) {
    return perform([&](LibraryConnection& connection) {
        return editItem(connection, album, kind, value, LibraryItemKind::album);
    });
}

Album LibraryRepository::rate(const Album& album, std::int64_t rating) {
    return edit(album, "rating", rating);
}

Artist LibraryRepository::edit(const Artist& artist, const std::string& kind, std::int64_t value) {
    return perform([&](LibraryConnection& connection) {
        return editItem(connection, artist, kind, value, LibraryItemKind::artist);
    });
}

Artist LibraryRepository::rate(const Artist& artist, std::int64_t rating) {
    return edit(artist, "rating", rating);
}

std::vector<PendingEdit> LibraryRepository::pendingEdits() {
    return perform([](LibraryConnection& connection) { return readPendingEdits(connection); });
}

void LibraryRepository::acknowledge(const PendingEdit& edit) {
    perform([&](LibraryConnection& connection) {
        connection.run("DELETE FROM edits WHERE id=? AND value=?", {edit.id, decimalText(edit.value)});
    });
}

} // namespace sorvalind
