#pragma once
// One cover-art tile's load and picture, for whatever draws the tile: the
// artwork view, or a grid's delegate that keeps one slot per tile on screen.
// The slot wraps the cache's decoded pixels without copying them, and calls
// `repaint` whenever what it draws changes. A slot stays where it was made
// (its load calls back into it): a grid keeps its slots by pointer.
//
// GUI thread only.

#include "kit/artwork_load.h"

#include <QImage>
#include <QPalette>
#include <QRectF>
#include <QString>

#include <functional>

class QPainter;

namespace sorvalind {

class AppModel;

// The tile: a rounded square (radius 5) in a faint fill, with the image
// scaled to fill it, or else the placeholder symbol at 28 % of the side in a
// faded text colour.
void paintArtwork(QPainter& painter, const QRectF& rect, const QImage& image, const QString& placeholder,
                  const QPalette& palette);

// The connection flag artwork loads take: connected and not offline.
bool artworkConnected(const AppModel& model);
// The client a load asks the server through: none while offline.
ArtworkLoad::ClientProvider artworkClient(const AppModel& model);

class ArtworkSlot {
public:
    ArtworkSlot(ArtworkSource& source, ArtworkLoad::ClientProvider client, QString placeholder,
                std::function<void()> repaint);
    // Over the model's cache, asking through the model's client.
    ArtworkSlot(AppModel& model, QString placeholder, std::function<void()> repaint);

    ArtworkLoad& load() noexcept { return load_; }
    const ArtworkLoad& load() const noexcept { return load_; }
    // What is drawn now: the image of the current identifier, or a null image.
    const QImage& image() const noexcept { return image_; }
    void paint(QPainter& painter, const QRectF& rect, const QPalette& palette) const;

private:
    ArtworkLoad load_;
    QString placeholder_;
    QImage image_;
    // The finished tile at the size last drawn; none until then.
    mutable QImage drawn_;
    mutable QColor drawnFill_;
    std::function<void()> repaint_;
};

} // namespace sorvalind
