#include "library_window/playlist_drop.h"

#include "songs/song_drag.h"

#include <QMimeData>
#include <QStringDecoder>

#include <optional>

namespace sorvalind {

namespace {

const QString plainType = QStringLiteral("text/plain");

QString listType() {
    return QString::fromLatin1(SongDrag::listMimeType);
}

// The bytes as UTF-8 text; none when they are not valid UTF-8.
std::optional<std::string> utf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text.toStdString();
}

} // namespace

bool hasSongDropForm(const QMimeData& data) {
    return data.hasFormat(listType()) || data.hasFormat(plainType);
}

std::vector<std::string> droppedSongIDs(const QMimeData& data) {
    std::vector<std::string> ids;
    if (data.hasFormat(listType())) {
        if (const auto text = utf8(data.data(listType())))
            if (auto drags = SongDrag::decodeList(*text)) {
                ids.reserve(drags->size());
                for (SongDrag& drag : *drags)
                    ids.push_back(std::move(drag.songID));
                return ids;
            }
    }
    if (!data.hasFormat(plainType)) return ids;
    const auto text = utf8(data.data(plainType));
    if (!text || text->empty()) return ids;
    if (const auto drag = SongDrag::decode(*text))
        ids.push_back(drag->songID);
    else
        ids.push_back(*text);
    return ids;
}

std::vector<const Song*> droppedSongs(const QMimeData& data,
                                      const std::function<const Song*(const std::string&)>& find) {
    const std::vector<std::string> ids = droppedSongIDs(data);
    std::vector<const Song*> songs;
    songs.reserve(ids.size());
    for (const std::string& id : ids)
        if (const Song* song = find(id)) songs.push_back(song);
    return songs;
}

} // namespace sorvalind
