#include "library_window/home_album_tile.h"

#include "kit/artwork_view.h"
#include "kit/elided_text.h"
#include "kit/text_styles.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace sorvalind {

HomeAlbumTile::HomeAlbumTile(AppModel& model, const Album& album, bool connected, QWidget* parent)
    : QWidget(parent), albumId_(album.id) {
    setFixedWidth(kSide);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QString::fromStdString(album.name));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(7);
    artwork_ = new ArtworkView(model, album.coverArt, kSide, QStringLiteral("music.note"), connected, this);
    layout->addWidget(artwork_);
    name_ = new ElidedTextLabel(1, this);
    applyTextStyle(name_, TextStyle::callout, QFont::Medium);
    name_->setText(QString::fromStdString(album.name));
    layout->addWidget(name_);
    artist_ = new ElidedTextLabel(1, this);
    applyTextStyle(artist_, TextStyle::caption);
    applySecondaryStyle(artist_);
    artist_->setText(QString::fromStdString(album.artist.value_or(std::string())));
    layout->addWidget(artist_);
    layout->addStretch(1);
}

void HomeAlbumTile::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit activated();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void HomeAlbumTile::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        emit activated();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sorvalind
