#include "platform/artwork_file.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QUrl>

namespace sorvalind {
namespace {

// Whether the bytes are a picture we are willing to show: small enough,
// dimensions within the budget, and decodable. The format's name on success.
QByteArray checkedFormat(const ArtworkBytes& bytes) {
    if (!bytes || bytes->empty() || static_cast<qint64>(bytes->size()) > ArtworkFile::kMaxEncodedBytes)
        return {};
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()),
                                              static_cast<qsizetype>(bytes->size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) return {};
    const QByteArray format = reader.format();
    // The header's dimensions, read before any pixel memory is taken.
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return {};
    if (static_cast<qint64>(size.width()) * size.height() * 4 > ArtworkFile::kMaxDecodedBytes) return {};
    if (reader.read().isNull()) return {};
    return format;
}

} // namespace

ArtworkFile::ArtworkFile() : folder_(QDir::tempPath() + QStringLiteral("/sorvalind-artwork-XXXXXX")) {}

QString ArtworkFile::update(const ArtworkBytes& bytes) {
    if (bytes == bytes_) return url_;
    clear();
    bytes_ = bytes;
    const QByteArray format = checkedFormat(bytes);
    if (format.isEmpty() || !folder_.isValid()) return url_;

    QByteArray data(reinterpret_cast<const char*>(bytes->data()), static_cast<qsizetype>(bytes->size()));
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()) +
        QLatin1Char('.') + QString::fromLatin1(format);
    const QString path = folder_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return url_;
    if (file.write(data) != data.size() || !file.flush()) {
        file.remove();
        return url_;
    }
    file.close();
    path_ = path;
    url_ = QUrl::fromLocalFile(path).toString();
    return url_;
}

void ArtworkFile::clear() {
    if (!path_.isEmpty()) QFile::remove(path_);
    bytes_.reset();
    path_.clear();
    url_.clear();
}

} // namespace sorvalind
