#pragma once
// The featured-album card at the top of the home page: the selected album
// of the model's featured set with its cover, name, artist and details, the
// "Play Album" and "View Album" actions, page dots and the slideshow
// controls, on a gradient sampled from the cover. Every 8 seconds it moves
// on, unless held (see BannerRotation). Shows nothing while no album is
// selected.
//
// GUI thread only.

#include "library/album.h"
#include "library_window/banner_layout.h"

// Moc cannot read the runtime's concepts; it needs none of these.
#ifndef Q_MOC_RUN
#include "library_window/banner_rotation.h"
#include "model/album_banner_tint.h"
#endif

#include <QWidget>

#include <map>
#include <memory>
#include <vector>

class QBoxLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace sorvalind {

class AppModel;
class BannerCover;
class ElidedTextLabel;
class Executor;
class ModelAdapter;

// "2001 · 12 songs · 45:10", each part only when the album has it.
QString bannerMetadata(const Album& album);

class HomeAlbumBanner final : public QWidget {
    Q_OBJECT

public:
    // The slideshow's waits run on `executor`.
    HomeAlbumBanner(std::shared_ptr<AppModel> model, Executor& executor, QWidget* parent = nullptr);
    ~HomeAlbumBanner() override;

    const BannerLayout& currentLayout() const noexcept { return layout_; }
    bool rotating() const noexcept;
    void setReduceMotion(bool reduce);
    void setActive(bool active);

    ElidedTextLabel* nameLabel() const noexcept { return name_; }
    QLabel* artistLabel() const noexcept { return artist_; }
    QLabel* metadataLabel() const noexcept { return metadata_; }
    QPushButton* playButton() const noexcept { return play_; }
    QPushButton* viewButton() const noexcept { return view_; }
    QToolButton* pauseButton() const noexcept { return pause_; }
    QToolButton* nextButton() const noexcept { return next_; }
    QToolButton* previousButton() const noexcept { return previous_; }
    QToolButton* refreshButton() const noexcept { return refresh_; }
    const std::vector<QWidget*>& dots() const noexcept { return dots_; }
    QWidget* cover() const;
    AlbumBannerTint tint() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    void applyLayout();
    void applyColours();
    void rebuildDots();
    void refreshRotation();
    void open();
    void play();
    void coverChanged();

    std::weak_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    BannerRotation rotation_;
    BannerLayout layout_;
    std::optional<Album> album_;
    std::map<std::string, AlbumBannerTint> tints_;

    QVBoxLayout* outer_;
    QHBoxLayout* albumRow_;
    QVBoxLayout* textColumn_;
    BannerCover* cover_;
    QLabel* caption_;
    ElidedTextLabel* name_;
    QLabel* artist_;
    QLabel* metadata_;
    QWidget* actions_;
    QPushButton* play_;
    QPushButton* view_;
    QHBoxLayout* dotsLayout_;
    std::vector<QWidget*> dots_;
    QToolButton* refresh_;
    QToolButton* previous_;
    QToolButton* pause_;
    QToolButton* next_;

    bool paused_ = false;
    bool hovering_ = false;
    bool reduceMotion_ = false;
    bool playing_ = false;
    bool active_ = true;
    bool shown_ = false;
};

} // namespace sorvalind
