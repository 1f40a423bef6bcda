#include "songs/song_detail_links.h"

#include <QString>

namespace sorvalind {

std::optional<SongDetailDestination> resolvedDestination(const SongDetailField& field,
                                                         const std::vector<Artist>& artists) {
    if (field.destination) return field.destination;
    if (field.label != "Artist" && field.label != "Album artist" && field.label != "Composer")
        return std::nullopt;
    const QString value = QString::fromStdString(field.value);
    for (const Artist& artist : artists) {
        if (QString::compare(QString::fromStdString(artist.name), value, Qt::CaseInsensitive) != 0) continue;
        if (artist.id.empty()) return std::nullopt;
        return SongDetailDestination::artist(artist);
    }
    return std::nullopt;
}

} // namespace sorvalind
