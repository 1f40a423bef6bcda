#pragma once
// The artist credits of an album, a song or the playing track as one line:
// names with an identifier are links in the given colour, separated by ", "
// in the secondary colour; a name without an identifier is plain secondary
// text; no credits show the fallback text. The line is painted as runs, each
// with its own hit rectangle; what does not fit ends in "…", and a link cut
// short stays a link over the part that shows. A link shows the pointing
// hand and the tooltip "Show <name>"; clicking it emits the artist.
//
// GUI thread only.

#include "library/artist.h"

#include <QColor>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace sorvalind {

struct ArtistLinkRun {
    QString text;
    QRectF rect;                       // in the line's coordinates, top at 0
    std::optional<std::size_t> artist; // the credit's position, for links only
};

// The runs of one line at most `width` wide.
std::vector<ArtistLinkRun> layoutArtistLinks(const std::vector<Artist>& artists, const QString& fallback,
                                             const QFontMetricsF& metrics, qreal width);

class ArtistLinks : public QWidget {
    Q_OBJECT

public:
    explicit ArtistLinks(QWidget* parent = nullptr);

    void setArtists(std::vector<Artist> artists, QString fallback);
    void setLinkColor(const QColor& color);
    const std::vector<Artist>& artists() const noexcept { return artists_; }
    std::vector<ArtistLinkRun> runs() const;
    // The link under `point`, if any.
    std::optional<std::size_t> linkAt(const QPointF& point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A link was clicked: the credit's identifier and its position.
    void artistClicked(const QString& id, int index);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void changed();

    std::vector<Artist> artists_;
    QString fallback_;
    QColor linkColor_;
    std::optional<std::size_t> pressed_;
};

} // namespace sorvalind
