#pragma once
// The home page: the library's size, the featured-album banner and the
// album rows, in one vertically scrolling column whose offset the kit keeps
// per route and search text (section "home"). The rows are derived again
// only when the model publishes another album list.
//
// GUI thread only.

#include "library_window/home_rows.h"
#include "library_window/library_page.h"

#include <memory>
#include <vector>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace sorvalind {

class AppModel;
class HomeAlbumBanner;
class HomeAlbumRow;
class ModelAdapter;
class MotionPreference;
class ScrollRestorer;

class HomePage final : public LibraryPage {
    Q_OBJECT

public:
    HomePage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent = nullptr);
    HomePage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, CollectionKey key,
             QWidget* parent = nullptr);

    QScrollArea* scrollArea() const noexcept { return scroll_; }
    QLabel* statisticsLabel() const noexcept { return statistics_; }
    const std::vector<HomeAlbumRow*>& rows() const noexcept { return rows_; }
    HomeAlbumBanner* banner() const noexcept { return banner_; }
    const HomeRowCache& rowCache() const noexcept { return cache_; }
    ScrollRestorer* restorer() const noexcept { return restorer_; }

private:
    void refreshStatistics();
    void refreshRows();
    void refreshConnected();
    void refreshMotion();

    std::weak_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    MotionPreference* motion_;
    QScrollArea* scroll_;
    QLabel* statistics_;
    HomeAlbumBanner* banner_;
    QVBoxLayout* rowsLayout_;
    ScrollRestorer* restorer_;
    HomeRowCache cache_;
    std::size_t shownDerivation_ = 0;
    std::vector<HomeAlbumRow*> rows_;
};

} // namespace sorvalind
