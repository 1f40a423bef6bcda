#pragma once
// One album of a home row: its cover (156 square), name and artist, one
// line each. A click or Return/Space asks for the album's page.
//
// GUI thread only.

#include "library/album.h"

#include <QWidget>

namespace sorvalind {

class AppModel;
class ArtworkView;
class ElidedTextLabel;

class HomeAlbumTile final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 156;

    HomeAlbumTile(AppModel& model, const Album& album, bool connected, QWidget* parent = nullptr);

    const std::string& albumId() const noexcept { return albumId_; }
    ArtworkView* artwork() const noexcept { return artwork_; }
    ElidedTextLabel* nameLabel() const noexcept { return name_; }
    ElidedTextLabel* artistLabel() const noexcept { return artist_; }

signals:
    void activated();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string albumId_;
    ArtworkView* artwork_;
    ElidedTextLabel* name_;
    ElidedTextLabel* artist_;
};

} // namespace sorvalind
