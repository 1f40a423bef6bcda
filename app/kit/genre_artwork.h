#pragma once
// The tile that stands for a genre: a gradient in the genre's hue, a faint
// ring cut off by the tile's edge and the genre's symbol in white. Decoration
// only: hidden from accessibility. GUI thread only.

#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

namespace sorvalind {

// Paints the tile for `genre` into `rect`, at whatever size it has.
void paintGenreArtwork(QPainter& painter, const QRectF& rect, const QString& genre);

class GenreArtwork : public QWidget {
    Q_OBJECT

public:
    explicit GenreArtwork(QString genre, QWidget* parent = nullptr);

    void setGenre(const QString& genre);
    const QString& genre() const noexcept { return genre_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }
    QSize sizeHint() const override { return {155, 155}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString genre_;
};

} // namespace sorvalind
