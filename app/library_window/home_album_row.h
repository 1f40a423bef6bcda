#pragma once
// One album row of the home page: its title, the arrow pair that pages the
// row a number of whole tiles at a time, the "All Albums" link, and a
// horizontally scrolling strip of album tiles. The arrows follow the last
// geometry the strip reported; they stay in place, invisible, while the
// row fits. A vertical wheel over the strip scrolls the page instead.
//
// GUI thread only.

#include "library_window/home_rows.h"
#include "library_window/row_geometry.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAbstractScrollArea;
class QPropertyAnimation;
class QScrollArea;
class QToolButton;

namespace sorvalind {

class AppModel;
class ArtworkView;
class VisibilityTracker;

class HomeAlbumRow final : public QWidget {
    Q_OBJECT

public:
    // `page` is the vertical scroll area a vertical wheel over the strip
    // scrolls; none leaves the wheel to the strip.
    HomeAlbumRow(std::shared_ptr<AppModel> model, const HomeRow& row, QAbstractScrollArea* page,
                 QWidget* parent = nullptr);

    const QString& title() const noexcept { return title_; }
    const RowGeometry& geometry() const noexcept { return geometry_; }
    QScrollArea* strip() const noexcept { return strip_; }
    QToolButton* leftButton() const noexcept { return left_; }
    QToolButton* rightButton() const noexcept { return right_; }
    QWidget* allAlbumsButton() const noexcept { return allAlbums_; }
    QWidget* tile(int index) const;
    int tileCount() const;

    // Jumps instead of animating while set.
    void setReduceMotion(bool reduce) { reduceMotion_ = reduce; }
    // Scrolls as the arrow of `direction` (-1 or +1) does.
    void scrollBy(int direction);
    // The offset the last arrow click aims for, none before any.
    std::optional<double> scrollTarget() const noexcept { return target_; }

    void setConnected(bool connected);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void geometryChanged();

    std::weak_ptr<AppModel> model_;
    QString title_;
    QPointer<QAbstractScrollArea> page_;
    QScrollArea* strip_;
    QToolButton* left_;
    QToolButton* right_;
    QWidget* allAlbums_;
    QWidget* tiles_;
    std::vector<ArtworkView*> artwork_;
    VisibilityTracker* tracker_;
    QPropertyAnimation* animation_;
    RowGeometry geometry_;
    std::optional<double> target_;
    bool reduceMotion_ = false;
};

} // namespace sorvalind
