#pragma once
// The cover art of the now-playing song as a file on disk, for the desktop's
// display, which reads art only by URL. The bytes come from the server (the
// core hands them on unchecked), so before anything uses them they are
// limited in size, their declared image dimensions are checked against an
// allocation budget, and they must decode; only then are they written, as
// they came, to a file readable by this user alone in a private folder that
// goes away with this object. One file at a time: a new picture removes the
// previous one, and its name changes with its content so that displays that
// cache by URL show the new picture.
//
// Main thread (it decodes with Qt's image readers). Nothing here throws but
// memory exhaustion; a refused or unwritable picture simply yields no URL.

#include "services/now_playing_center.h"

#include <QString>
#include <QTemporaryDir>

namespace sorvalind {

class ArtworkFile {
public:
    // Larger encoded pictures are refused unread.
    static constexpr qint64 kMaxEncodedBytes = 16 * 1024 * 1024;
    // The decoded picture may need at most this many bytes (32-bit pixels).
    static constexpr qint64 kMaxDecodedBytes = 64 * 1024 * 1024;

    ArtworkFile();
    ArtworkFile(const ArtworkFile&) = delete;
    ArtworkFile& operator=(const ArtworkFile&) = delete;

    // The file URL for these bytes ("" for none or refused bytes). The same
    // bytes object again costs nothing.
    QString update(const ArtworkBytes& bytes);

private:
    void clear();

    QTemporaryDir folder_;
    ArtworkBytes bytes_;
    QString path_;
    QString url_;
};

} // namespace sorvalind
