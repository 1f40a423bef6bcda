#pragma once
// The song list of the library window: a header with the song count, the
// selection's actions and the sort picker; the table; and an empty-state
// panel over it when the list is empty. It keeps the rows prepared for the
// model's current list and sort order, follows edits of single songs in
// place, marks the playing song, reveals the song the model asks for, and on
// a playlist page removes and moves songs and saves the playlist.
//
// The header's sort emulates a list of sort descriptors: clicking the first
// one's column flips it; clicking another column puts it first in its
// initial order (ascending; "Liked" descending). The picker and the headers
// write the same sort order.
//
// GUI thread only; the preparation runs on `worker`.

#include "songs/menu_spec.h"
#include "songs/song_table_data.h"
#include "songs/song_table_sort.h"

#include "model/app_model.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>

class QComboBox;
class QLabel;
class QMimeData;
class QPushButton;
class QToolButton;

namespace sorvalind {

class ModelAdapter;
class SongListTable;
class SongTableModel;

class SongTableView : public QWidget {
    Q_OBJECT
public:
    SongTableView(std::shared_ptr<AppModel> model, Executor& worker, QWidget* parent = nullptr);
    ~SongTableView() override;

    // The rows' preparation request: the model's list revision, the order
    // and the counter raised when an edit moves rows of the current sort.
    struct Request {
        std::int64_t songsRevision = 0;
        SongSortOrder order;
        std::int64_t metadataSortRevision = 0;
        friend bool operator==(const Request&, const Request&) = default;
    };

    SongListTable& table() const noexcept { return *table_; }
    SongTableModel& tableModel() const noexcept { return *tableModel_; }
    const SongTableData& data() const noexcept { return *data_; }
    const std::set<std::string>& selection() const noexcept { return selection_; }
    const SongSortOrder& sortOrder() const noexcept { return sortOrder_; }
    Request request() const;
    // Whether the rows shown are those of the current request.
    bool preparedIsCurrent() const { return preparedRequest_ && *preparedRequest_ == request(); }

    void setSortOrder(SongSortOrder order);
    // A click on the header of column `section`.
    void clickHeader(int section);

    // The menu for a display row; with `ratingOnly` the rating items of that
    // row's song alone, else for the selected songs.
    std::optional<MenuSpec> menu(int row, bool ratingOnly);
    // The drag payloads of display rows.
    QMimeData* dragData(const std::vector<int>& rows) const;
    // A drop of the first dragged row's payload before display row `row`.
    bool acceptDrop(const QString& payload, int row);
    bool acceptsMoves() const;
    // Moves the list's song at `from` before `to` and saves the playlist,
    // when the song there is still `songID`.
    void reorder(std::int64_t from, std::int64_t to, const std::string& songID);
    void playSelection();
    void removeSelection();

    QLabel& countLabel() const noexcept { return *countLabel_; }
    QPushButton& playSelectionButton() const noexcept { return *playSelection_; }
    QToolButton& downloadButton() const noexcept { return *download_; }
    QPushButton& removeButton() const noexcept { return *remove_; }
    QComboBox& sortPicker() const noexcept { return *sortPicker_; }
    QWidget& emptyPanel() const noexcept { return *emptyPanel_; }
    QLabel& emptyTitle() const noexcept { return *emptyTitle_; }

signals:
    // After every pass that pushed state into the table.
    void updated();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void watchModel();
    void prepareIfNeeded();
    void onSongEdited(const Song& song);
    void onSongsChanged();
    void onQueueChanged();
    void runReveal();
    void scheduleUpdate();
    void update();
    void updateHeader();
    void syncSelectionFromTable();
    void playRow(int row);
    void toggleFavorite(int row);
    void setDescriptors(std::vector<std::pair<std::string, bool>> descriptors);

    std::shared_ptr<AppModel> model_;
    std::unique_ptr<SongTableData> data_;
    ModelAdapter* adapter_ = nullptr;
    SongListTable* table_ = nullptr;
    SongTableModel* tableModel_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QPushButton* playSelection_ = nullptr;
    QToolButton* download_ = nullptr;
    QPushButton* remove_ = nullptr;
    QComboBox* sortPicker_ = nullptr;
    QWidget* emptyPanel_ = nullptr;
    QLabel* emptyTitle_ = nullptr;
    QLabel* emptyDescription_ = nullptr;

    std::set<std::string> selection_;
    SongSortOrder sortOrder_;
    // The header's descriptors: (column key, ascending), first is the primary.
    std::vector<std::pair<std::string, bool>> descriptors_;
    std::optional<Request> preparedRequest_;
    std::optional<Request> loadingRequest_;
    std::int64_t metadataSortRevision_ = 0;
    std::optional<std::string> currentSongID_;
    std::optional<AppModel::AlbumSongReveal> reveal_;
    std::optional<std::uint64_t> revealedID_;

    // What the table showed at the last update.
    std::int64_t shownRevision_ = -1;
    std::optional<std::string> shownCurrentSongID_;
    bool shownOffline_ = false;
    std::set<std::string> shownDownloaded_;
    bool updating_ = false;
    bool updateScheduled_ = false;
    bool settingPicker_ = false;
};

} // namespace sorvalind
