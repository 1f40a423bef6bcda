// What a drop on a playlist carries, in each form the song table and the
// search page drag, and what it must refuse.

#include "library_window/playlist_drop.h"

#include "songs/song_drag.h"

#include <gtest/gtest.h>

#include <QMimeData>

#include <map>

namespace sorvalind::test {
namespace {

Song pageSong(std::string id, std::string title) {
    Song song;
    song.id = std::move(id);
    song.title = std::move(title);
    return song;
}

using IDs = std::vector<std::string>;

QMimeData* plain(const QByteArray& bytes) {
    auto* data = new QMimeData();
    data->setData(QStringLiteral("text/plain"), bytes);
    return data;
}

TEST(PlaylistDrop, ReadsEachFormTheDragsWrite) {
    struct Case {
        const char* name;
        QByteArray list; // the several-rows type; empty: absent
        QByteArray text; // text/plain; empty: absent
        IDs ids;
    };
    const QByteArray two = QByteArray::fromStdString(SongDrag::encodeList({{"so-2", 1}, {"so-1", 0}}));
    const QByteArray one = QByteArray::fromStdString(SongDrag{"so-3", 4}.encode());
    const std::vector<Case> cases{
        {"one row's payload", {}, one, {"so-3"}},
        {"several rows win over the first row's text", two, one, {"so-2", "so-1"}},
        {"a bare identifier from the search page", {}, "so-7", {"so-7"}},
        {"a payload with a wrong member type is an identifier",
         {},
         R"({"songID":1,"row":0})",
         {R"({"songID":1,"row":0})"}},
        {"an undecodable list falls back to the text", "[oops", one, {"so-3"}},
        {"the same song twice stays twice",
         QByteArray::fromStdString(SongDrag::encodeList({{"so-1", 0}, {"so-1", 3}})),
         {},
         {"so-1", "so-1"}},
        {"text that is not UTF-8", {}, QByteArray("so-\xff\xfe", 5), {}},
        {"a list that is not UTF-8", QByteArray("[\xc3]", 3), {}, {}},
        {"empty text", {}, {}, {}},
    };
    for (const Case& c : cases) {
        QMimeData data;
        if (!c.list.isEmpty()) data.setData(QString::fromLatin1(SongDrag::listMimeType), c.list);
        if (!c.text.isEmpty()) data.setData(QStringLiteral("text/plain"), c.text);
        EXPECT_EQ(droppedSongIDs(data), c.ids) << c.name;
    }
    std::unique_ptr<QMimeData> other(new QMimeData());
    other->setData(QStringLiteral("image/png"), "png");
    EXPECT_FALSE(hasSongDropForm(*other));
    EXPECT_TRUE(droppedSongIDs(*other).empty());
}

TEST(PlaylistDrop, SongsAreLookedUpByIdentifierInDropOrderAndUnknownOnesSkipped) {
    std::map<std::string, Song> page;
    page["so-1"] = pageSong("so-1", "One");
    page["so-2"] = pageSong("so-2", "Two");
    std::vector<std::string> asked;
    const auto find = [&](const std::string& id) -> const Song* {
        asked.push_back(id);
        const auto found = page.find(id);
        return found == page.end() ? nullptr : &found->second;
    };
    QMimeData data;
    data.setData(QString::fromLatin1(SongDrag::listMimeType),
                 QByteArray::fromStdString(
                     SongDrag::encodeList({{"so-2", 1}, {"so-9", 5}, {"so-1", 0}, {"so-2", 1}})));
    std::vector<std::string> titles;
    for (const Song* song : droppedSongs(data, find)) {
        EXPECT_EQ(song, &page.at(song->id)) << "the page's own song, not a copy";
        titles.push_back(song->title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Two", "One", "Two"}));
    EXPECT_EQ(asked, (IDs{"so-2", "so-9", "so-1", "so-2"})) << "one look-up per dragged row";

    std::unique_ptr<QMimeData> unknown(plain("so-404"));
    EXPECT_TRUE(droppedSongs(*unknown, find).empty());
}

} // namespace
} // namespace sorvalind::test
