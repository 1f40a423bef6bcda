#pragma once
// The page shown while the search text is not empty: the model's found
// artists, albums and songs as one list with a header per kind, the songs'
// header carrying "Play Results", and an overlay for a search under way
// ("Searching…", over any earlier results) or one that found nothing.
//
// An artist or album row ends the search before it opens the item's page; a
// song row plays the whole result list from that song and leaves the search
// open. Rows act on a single click or Return.
//
// GUI thread only.

#include "library_window/library_page.h"

#include <memory>

class QLabel;
class QListView;
class QMenu;
class QPushButton;

namespace sorvalind {

class AppModel;
class EmptyState;
class ModelAdapter;
class SearchResultDelegate;
class SearchResultsModel;

class SearchView final : public LibraryPage {
    Q_OBJECT
public:
    SearchView(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent = nullptr);

    QListView* list() const noexcept { return list_; }
    SearchResultsModel* results() const noexcept { return results_; }
    SearchResultDelegate* delegate() const noexcept { return delegate_; }
    QPushButton* playResultsButton() const noexcept { return playResults_; }
    // The overlay's panels; at most one is shown.
    QWidget* searchingPanel() const noexcept { return searching_; }
    EmptyState* noResultsPanel() const noexcept { return noResults_; }

    // What a click or Return on the row does.
    void activateRow(int row);
    // The row's context menu, built now and not shown (null for a header).
    std::unique_ptr<QMenu> menuFor(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshResults();
    void refreshOverlay();
    void placeOverlay();
    void playResults();

    std::shared_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    SearchResultsModel* results_;
    SearchResultDelegate* delegate_;
    QListView* list_;
    QPushButton* playResults_ = nullptr;
    QWidget* overlay_;
    QWidget* searching_;
    EmptyState* noResults_ = nullptr;
};

} // namespace sorvalind
