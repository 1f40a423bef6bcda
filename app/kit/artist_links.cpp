#include "kit/artist_links.h"

#include "kit/text_styles.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace sorvalind {

namespace {

const QString separator = QStringLiteral(", ");

struct Piece {
    QString text;
    std::optional<std::size_t> artist;
};

std::vector<Piece> pieces(const std::vector<Artist>& artists, const QString& fallback) {
    if (artists.empty()) return {{fallback, std::nullopt}};
    std::vector<Piece> result;
    for (std::size_t index = 0; index < artists.size(); ++index) {
        if (index > 0) result.push_back({separator, std::nullopt});
        const Artist& artist = artists[index];
        result.push_back({QString::fromStdString(artist.name),
                          artist.id.empty() ? std::nullopt : std::optional<std::size_t>(index)});
    }
    return result;
}

} // namespace

std::vector<ArtistLinkRun> layoutArtistLinks(const std::vector<Artist>& artists, const QString& fallback,
                                             const QFontMetricsF& metrics, qreal width) {
    std::vector<ArtistLinkRun> runs;
    qreal x = 0;
    const qreal height = metrics.height();
    for (Piece& piece : pieces(artists, fallback)) {
        const qreal advance = metrics.horizontalAdvance(piece.text);
        if (x + advance <= width) {
            runs.push_back({std::move(piece.text), QRectF(x, 0, advance, height), piece.artist});
            x += advance;
            continue;
        }
        // The rest does not fit: this run ends the line, cut short.
        const QString cut = metrics.elidedText(piece.text, Qt::ElideRight, std::max<qreal>(0, width - x));
        if (!cut.isEmpty())
            runs.push_back({cut, QRectF(x, 0, metrics.horizontalAdvance(cut), height), piece.artist});
        break;
    }
    return runs;
}

ArtistLinks::ArtistLinks(QWidget* parent) : QWidget(parent), linkColor_(accentColor()) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ArtistLinks::setArtists(std::vector<Artist> artists, QString fallback) {
    artists_ = std::move(artists);
    fallback_ = std::move(fallback);
    changed();
}

void ArtistLinks::setLinkColor(const QColor& color) {
    linkColor_ = color;
    update();
}

void ArtistLinks::changed() {
    pressed_.reset();
    QString whole;
    for (const Piece& piece : pieces(artists_, fallback_))
        whole += piece.text;
    setAccessibleName(whole);
    updateGeometry();
    update();
}

std::vector<ArtistLinkRun> ArtistLinks::runs() const {
    return layoutArtistLinks(artists_, fallback_, QFontMetricsF(font()), width());
}

std::optional<std::size_t> ArtistLinks::linkAt(const QPointF& point) const {
    const qreal top = (height() - QFontMetricsF(font()).height()) / 2;
    for (const ArtistLinkRun& run : runs())
        if (run.artist && run.rect.translated(0, top).contains(point)) return run.artist;
    return std::nullopt;
}

QSize ArtistLinks::sizeHint() const {
    const QFontMetricsF metrics(font());
    qreal width = 0;
    for (const Piece& piece : pieces(artists_, fallback_))
        width += metrics.horizontalAdvance(piece.text);
    return {qCeil(width), qCeil(metrics.height())};
}

QSize ArtistLinks::minimumSizeHint() const {
    return {0, qCeil(QFontMetricsF(font()).height())};
}

bool ArtistLinks::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const auto link = linkAt(help->pos())) {
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("Show ") + QString::fromStdString(artists_[*link].name), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void ArtistLinks::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetricsF metrics(font());
    const qreal top = (height() - metrics.height()) / 2;
    const QColor secondary = secondaryTextColor(palette());
    for (const ArtistLinkRun& run : runs()) {
        painter.setPen(run.artist ? linkColor_ : secondary);
        painter.drawText(QPointF(run.rect.left(), top + metrics.ascent()), run.text);
    }
}

void ArtistLinks::mouseMoveEvent(QMouseEvent* event) {
    if (linkAt(event->position()))
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    QWidget::mouseMoveEvent(event);
}

void ArtistLinks::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton ? linkAt(event->position()) : std::nullopt;
    if (!pressed_) QWidget::mousePressEvent(event);
}

void ArtistLinks::mouseReleaseEvent(QMouseEvent* event) {
    const auto pressed = std::exchange(pressed_, std::nullopt);
    // Released over the link it was pressed on, as a button does.
    if (pressed && event->button() == Qt::LeftButton && linkAt(event->position()) == pressed) {
        emit artistClicked(QString::fromStdString(artists_[*pressed].id), static_cast<int>(*pressed));
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void ArtistLinks::leaveEvent(QEvent* event) {
    unsetCursor();
    QWidget::leaveEvent(event);
}

} // namespace sorvalind
