#pragma once
// The album grid that pages embed: a count with the "Favorites" filter and
// the sort picker, a bar for the selected albums, and the tiles of the given
// albums in the store's order. The store sorts and filters (on its queue);
// the grid keeps, in the store's order, only the albums it was given. A
// result for inputs that have moved on is dropped; a failed read is reported
// and the grid keeps its list.
//
// The selection is the grid's own set of album identifiers, changed by
// Ctrl-clicks and "Clear Selection"; when the given albums change it keeps
// only those still given (albums hidden by the filter stay selected).
//
// GUI thread only.

#include "library_window/album_grid_model.h"

#include "model/app_model.h"

#include "library/album_sort.h"
#include "library/download_quality.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;

namespace sorvalind {

// Kept out of this header: moc cannot parse what it includes.
template <class Key> class ViewTask;

class AlbumGridView;
class ModelAdapter;
class ScrollRestorer;

// The inputs the displayed albums were computed from; the given albums are
// compared field by field.
struct AlbumGridRequest {
    AppModel::AlbumList albums;
    AlbumSort sort = AlbumSort::artist;
    bool favorites = false;

    friend bool operator==(const AlbumGridRequest& a, const AlbumGridRequest& b);
};

class AlbumGrid final : public QWidget {
    Q_OBJECT

public:
    AlbumGrid(std::shared_ptr<AppModel> model, AppModel::AlbumList albums, QWidget* parent = nullptr);
    ~AlbumGrid() override;

    // The albums that belong to the grid, in the caller's order.
    void setAlbums(AppModel::AlbumList albums);
    void setSort(AlbumSort sort);
    void setFavoritesOnly(bool favoritesOnly);

    // A click on the tile of `row`: with Ctrl it toggles the selection,
    // without it opens the album.
    void clickTile(int row, Qt::KeyboardModifiers modifiers);
    void clearSelection();
    // The tile's context menu for `album`, owned by `parent`.
    QMenu* tileMenu(const Album& album, QWidget* parent);
    // Reads every selected given album's songs, in the given order, and
    // queues them all, or none when a read fails.
    void downloadSelection(DownloadQuality quality);

    const std::vector<Album>& displayed() const noexcept { return gridModel_->albums(); }
    const std::set<std::string>& selection() const noexcept { return selection_; }
    AlbumSort sort() const noexcept { return sort_; }
    bool favoritesOnly() const noexcept { return favoritesOnly_; }
    // The displayed albums belong to the current inputs.
    bool isReady() const { return displayedRequest_ && *displayedRequest_ == currentRequest(); }
    AlbumGridModel& gridModel() const noexcept { return *gridModel_; }
    AlbumGridView& view() const noexcept { return *view_; }
    QWidget& selectionBar() const noexcept { return *selectionBar_; }
    QWidget& emptyPanel() const noexcept { return *emptyPanel_; }
    QLabel& countLabel() const noexcept { return *count_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AlbumGridRequest currentRequest() const;
    void runQuery();
    void showDisplayed(std::vector<Album> albums, AlbumGridRequest request);
    void selectionChanged();
    void placeEmptyPanel();
    void refreshScrollKey();

    // Weakly: a window outliving its model leaves it free to go.
    std::weak_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    AppModel::AlbumList albums_;
    AlbumSort sort_ = AlbumSort::artist;
    bool favoritesOnly_ = false;
    std::set<std::string> selection_;
    std::optional<AlbumGridRequest> displayedRequest_;
    std::unique_ptr<ViewTask<AlbumGridRequest>> query_;

    AlbumGridModel* gridModel_;
    AlbumGridView* view_;
    ScrollRestorer* restorer_;
    QLabel* count_;
    QCheckBox* favorites_;
    QComboBox* sortPicker_;
    QWidget* selectionBar_;
    QLabel* selectionCount_;
    QWidget* emptyPanel_;
};

} // namespace sorvalind
