#pragma once
// One cover-art tile as a widget: a square of the given side that loads its
// picture while shown and visible in its scroll area, and releases it when
// hidden or scrolled out (see ArtworkLoad). Decoration: it has no
// accessible name. GUI thread only.

#include "kit/artwork_slot.h"

#include <QWidget>

#include <optional>
#include <string>

namespace sorvalind {

class ArtworkView : public QWidget {
    Q_OBJECT

public:
    ArtworkView(ArtworkSource& source, ArtworkLoad::ClientProvider client, int size, QString placeholder,
                QWidget* parent = nullptr);
    // Over the model's cache; `connected` as artworkConnected() gives it.
    ArtworkView(AppModel& model, std::optional<std::string> id, int size, QString placeholder, bool connected,
                QWidget* parent = nullptr);

    void setId(std::optional<std::string> id) { slot_.load().setId(std::move(id)); }
    void setConnected(bool connected) { slot_.load().setConnected(connected); }
    // The scroll area's verdict (VisibilityTracker): at least 1 % on screen.
    void setScrollVisible(bool visible) { slot_.load().setVisible(visible); }
    void setSide(int size);

    const ArtworkLoad& load() const noexcept { return slot_.load(); }
    // The picture drawn now; null while the placeholder shows.
    const QImage& image() const noexcept { return slot_.image(); }

    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ArtworkSlot slot_;
    int side_;
};

} // namespace sorvalind
