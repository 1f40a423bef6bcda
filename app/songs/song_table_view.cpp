#include "songs/song_table_view.h"

#include "songs/song_drag.h"
#include "songs/song_list_edits.h"
#include "songs/song_list_table.h"
#include "songs/song_table_columns.h"
#include "songs/song_table_model.h"

#include "kit/gui_executor.h"
#include "kit/model_adapter.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include "playback/playback_controller.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvalind {
namespace {

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

SongTableView::SongTableView(std::shared_ptr<AppModel> model, Executor& worker, QWidget* parent)
    : QWidget(parent), model_(std::move(model)),
      data_(std::make_unique<SongTableData>(worker, guiExecutor())) {
    setObjectName(QStringLiteral("songTable"));

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(20, 10, 20, 10);
    countLabel_ = new QLabel(header);
    applyTextStyle(countLabel_, TextStyle::callout);
    applySecondaryStyle(countLabel_);
    headerLayout->addWidget(countLabel_);
    headerLayout->addStretch(1);

    playSelection_ =
        new QPushButton(symbolIcon(QStringLiteral("play.fill"), palette().color(QPalette::ButtonText)),
                        QStringLiteral("Play Selection"), header);
    connect(playSelection_, &QPushButton::clicked, this, &SongTableView::playSelection);
    headerLayout->addWidget(playSelection_);

    download_ = new QToolButton(header);
    download_->setIcon(
        symbolIcon(QStringLiteral("arrow.down.circle"), palette().color(QPalette::ButtonText)));
    download_->setToolTip(QStringLiteral("Download selection"));
    download_->setAccessibleName(QStringLiteral("Download selection"));
    download_->setPopupMode(QToolButton::InstantPopup);
    auto* downloadMenu = new QMenu(download_);
    for (const DownloadQuality& quality : DownloadQuality::allCases()) {
        QAction* action = downloadMenu->addAction(QString::fromStdString(quality.label()));
        connect(action, &QAction::triggered, this, [this, quality] {
            const std::vector<Song> songs = data_->selectedSongs(selection_);
            if (!songs.empty()) model_->downloads().enqueue(songs, quality);
        });
    }
    download_->setMenu(downloadMenu);
    headerLayout->addWidget(download_);

    remove_ = new QPushButton(QStringLiteral("Remove"), header);
    connect(remove_, &QPushButton::clicked, this, &SongTableView::removeSelection);
    headerLayout->addWidget(remove_);

    sortPicker_ = new QComboBox(header);
    sortPicker_->setAccessibleName(QStringLiteral("Sort"));
    sortPicker_->setToolTip(QStringLiteral("Sort"));
    sortPicker_->setFixedWidth(175);
    for (SongTableSort sort : allSongTableSorts)
        sortPicker_->addItem(qtext(label(sort)));
    connect(sortPicker_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (settingPicker_ || index < 0 || index >= static_cast<int>(allSongTableSorts.size())) return;
        setSortOrder(comparators(allSongTableSorts[static_cast<std::size_t>(index)]));
    });
    headerLayout->addWidget(sortPicker_);

    table_ = new SongListTable(this);
    tableModel_ = new SongTableModel(*data_, this);
    tableModel_->setAvailability([this](const Song& song) { return model_->isSongAvailable(song); });
    table_->setModel(tableModel_);
    table_->menuProvider = [this](int row, bool ratingOnly) { return menu(row, ratingOnly); };
    table_->toggleFavorite = [this](int row) { toggleFavorite(row); };
    table_->playRow = [this](int row) { playRow(row); };
    table_->acceptsMoves = [this] { return acceptsMoves(); };
    table_->dropSongs = [this](const QString& payload, int row) { return acceptDrop(payload, row); };
    table_->dragData = [this](const std::vector<int>& rows) { return dragData(rows); };
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!updating_) syncSelectionFromTable();
    });
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, &SongTableView::clickHeader);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(table_, 1);

    emptyPanel_ = new QWidget(this);
    auto* emptyLayout = new QVBoxLayout(emptyPanel_);
    emptyLayout->setSpacing(6);
    auto* emptySymbol = new QLabel(emptyPanel_);
    emptySymbol->setPixmap(symbolPixmap(QStringLiteral("music.note.magnifyingglass"), QSize(40, 40),
                                        secondaryTextColor(palette()), devicePixelRatioF()));
    emptySymbol->setAlignment(Qt::AlignCenter);
    emptyTitle_ = new QLabel(emptyPanel_);
    applyTextStyle(emptyTitle_, TextStyle::title2, QFont::Bold);
    emptyTitle_->setAlignment(Qt::AlignCenter);
    emptyDescription_ = new QLabel(emptyPanel_);
    applyTextStyle(emptyDescription_, TextStyle::callout);
    applySecondaryStyle(emptyDescription_);
    emptyDescription_->setAlignment(Qt::AlignCenter);
    emptyDescription_->setWordWrap(true);
    emptyLayout->addWidget(emptySymbol);
    emptyLayout->addWidget(emptyTitle_);
    emptyLayout->addWidget(emptyDescription_);
    emptyPanel_->setAttribute(Qt::WA_TransparentForMouseEvents);

    data_->setListener([this] {
        runReveal();
        scheduleUpdate();
    });
    watchModel();
    prepareIfNeeded();
    updateHeader();
    scheduleUpdate();
}

SongTableView::~SongTableView() {
    if (adapter_ != nullptr) adapter_->clear();
    data_->cancel();
}

void SongTableView::watchModel() {
    adapter_ = new ModelAdapter(this);
    adapter_->watchEvents<Song>(model_->songMetadataChanges(),
                                [this](const Song& song) { onSongEdited(song); });
    adapter_->watch(model_->songsRevision(), [this] { prepareIfNeeded(); });
    adapter_->watch(model_->songs(), [this] { onSongsChanged(); });
    adapter_->watch(model_->isOffline(), [this] { scheduleUpdate(); });
    adapter_->watch(model_->downloadedSongIDs(), [this] { scheduleUpdate(); });
    adapter_->watch(model_->route(), [this] {
        updateHeader();
        scheduleUpdate();
    });
    adapter_->watch(model_->query(), [this] { updateHeader(); });
    if (PlaybackController* controller = model_->playback().controller())
        adapter_->watch(controller->queue(), [this] { onQueueChanged(); });
    connect(adapter_, &ModelAdapter::modelChanged, this, [this] { runReveal(); });
    onQueueChanged();
}

SongTableView::Request SongTableView::request() const {
    return Request{model_->songsRevision().value(), sortOrder_, metadataSortRevision_};
}

void SongTableView::prepareIfNeeded() {
    const Request current = request();
    if (loadingRequest_ && *loadingRequest_ == current) return;
    if (!loadingRequest_ && preparedRequest_ && *preparedRequest_ == current) return;
    loadingRequest_ = current;
    updateHeader();
    data_->load(model_->songs().value(), current.order, [this, current](bool published) {
        if (!published || !(request() == current)) return;
        preparedRequest_ = current;
        loadingRequest_.reset();
        // Selected rows that are gone drop out of the selection.
        for (auto it = selection_.begin(); it != selection_.end();)
            it = data_->prepared().rowByID(*it) ? std::next(it) : selection_.erase(it);
        runReveal();
        updateHeader();
        scheduleUpdate();
    });
}

void SongTableView::onSongEdited(const Song& song) {
    const PreparedSongRows& prepared = data_->prepared();
    bool ratingChanged = false;
    bool likedChanged = false;
    for (std::uint32_t position : prepared.rowsBySongID(song.id)) {
        const SongTableRow& row = prepared.rows()[position];
        ratingChanged = ratingChanged || row.rating() != song.userRating.value_or(0);
        likedChanged = likedChanged || (row.liked() == 1) != song.starred.has_value();
    }
    data_->update(song);
    if ((ratingChanged && readsProperty(sortOrder_, SongSortProperty::rating)) ||
        (likedChanged && readsProperty(sortOrder_, SongSortProperty::liked))) {
        ++metadataSortRevision_;
        prepareIfNeeded();
    }
}

void SongTableView::onSongsChanged() {
    // An edit publishes a patched list under the same revision: the rows
    // move over to it, so the old list can go.
    if (preparedRequest_ && preparedRequest_->songsRevision == model_->songsRevision().value() &&
        !data_->preparing())
        data_->rebase(model_->songs().value());
    updateHeader();
}

void SongTableView::onQueueChanged() {
    PlaybackController* controller = model_->playback().controller();
    std::optional<std::string> id;
    if (controller != nullptr && controller->queue().value().current)
        id = controller->queue().value().current->song.id;
    if (id == currentSongID_) return;
    currentSongID_ = std::move(id);
    scheduleUpdate();
}

void SongTableView::runReveal() {
    std::optional<AppModel::AlbumSongReveal> target;
    if (preparedIsCurrent()) target = model_->readyAlbumSongReveal();
    if (!target) {
        reveal_.reset();
        return;
    }
    const std::vector<std::uint32_t>& positions = data_->prepared().rowsBySongID(target->songID);
    if (positions.empty()) {
        reveal_.reset();
        return;
    }
    const SongTableRow& row = data_->prepared().rows()[positions.front()];
    if (!row.song->albumId || *row.song->albumId != target->albumID) {
        reveal_.reset();
        return;
    }
    if (reveal_ && reveal_->id == target->id) return;
    selection_ = {row.id()};
    reveal_ = target;
    updateHeader();
    scheduleUpdate();
}

void SongTableView::scheduleUpdate() {
    if (updateScheduled_) return;
    updateScheduled_ = true;
    QTimer::singleShot(0, this, [this] { update(); });
}

void SongTableView::update() {
    updateScheduled_ = false;
    updating_ = true;
    const PreparedSongRows& prepared = data_->prepared();
    QItemSelectionModel* selectionModel = table_->selectionModel();

    // Offline state and downloads change only the colours.
    const bool offline = model_->isOffline().value();
    if (offline != shownOffline_ || model_->downloadedSongIDs().value() != shownDownloaded_) {
        shownOffline_ = offline;
        shownDownloaded_ = model_->downloadedSongIDs().value();
        table_->viewport()->update();
    }

    // Rows: one revision with known rows repaints those; anything else is a
    // new set of rows, shown at the same place.
    if (shownRevision_ != data_->revision()) {
        if (shownRevision_ + 1 == data_->revision() && data_->changedRows()) {
            tableModel_->rowsChanged(*data_->changedRows());
        } else {
            const int scroll = table_->verticalScrollBar()->value();
            const int horizontal = table_->horizontalScrollBar()->value();
            tableModel_->rowsReplaced();
            table_->verticalScrollBar()->setValue(scroll);
            table_->horizontalScrollBar()->setValue(horizontal);
        }
        shownRevision_ = data_->revision();
    }

    // The playing mark: repaint the old and the new song's rows.
    if (currentSongID_ != shownCurrentSongID_) {
        tableModel_->setCurrentSongID(currentSongID_);
        for (const auto& id : {shownCurrentSongID_, currentSongID_}) {
            if (!id) continue;
            for (std::uint32_t position : prepared.rowsBySongID(*id)) {
                const int y = table_->rowViewportPosition(static_cast<int>(position));
                table_->viewport()->update(QRect(0, y, table_->viewport()->width(), table_->rowHeight(0)));
            }
        }
        shownCurrentSongID_ = currentSongID_;
    }

    // Selection: the rows of the selected identifiers, as merged ranges in
    // one select.
    std::vector<int> wanted;
    wanted.reserve(selection_.size());
    for (const std::string& id : selection_)
        if (const auto position = prepared.rowByID(id)) wanted.push_back(static_cast<int>(*position));
    std::sort(wanted.begin(), wanted.end());
    std::vector<int> have;
    for (const QItemSelectionRange& range : selectionModel->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            have.push_back(row);
    std::sort(have.begin(), have.end());
    have.erase(std::unique(have.begin(), have.end()), have.end());
    if (wanted != have) {
        QItemSelection selection;
        const int lastColumn = tableModel_->columnCount() - 1;
        for (std::size_t i = 0; i < wanted.size();) {
            std::size_t j = i;
            while (j + 1 < wanted.size() && wanted[j + 1] == wanted[j] + 1)
                ++j;
            selection.append(QItemSelectionRange(tableModel_->index(wanted[i], 0),
                                                 tableModel_->index(wanted[j], lastColumn)));
            i = j + 1;
        }
        selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    }

    // A reveal scrolls once per request, without selecting.
    if (reveal_ && reveal_->id != revealedID_) {
        const std::vector<std::uint32_t>& positions = prepared.rowsBySongID(reveal_->songID);
        if (!positions.empty()) {
            const SongTableRow& row = prepared.rows()[positions.front()];
            if (row.song->albumId && *row.song->albumId == reveal_->albumID) {
                table_->scrollTo(tableModel_->index(static_cast<int>(positions.front()), 0),
                                 QAbstractItemView::PositionAtCenter);
                revealedID_ = reveal_->id;
            }
        }
    }
    updating_ = false;
    updateHeader();
    emit updated();
}

void SongTableView::updateHeader() {
    const auto& songs = model_->songs().value();
    const std::size_t count = songs ? songs->size() : 0;
    countLabel_->setText(QString::fromStdString(songCountText(count)));
    const bool selected = !selection_.empty();
    playSelection_->setVisible(selected);
    download_->setVisible(selected);
    remove_->setVisible(selected && isPlaylistRoute(model_->route().value()));
    remove_->setEnabled(preparedIsCurrent());

    settingPicker_ = true;
    sortPicker_->setCurrentIndex(static_cast<int>(selectedSort(sortOrder_)));
    settingPicker_ = false;

    QHeaderView* header = table_->horizontalHeader();
    int section = -1;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (!descriptors_.empty()) {
        for (const SongColumnSpec& spec : songColumns)
            if (spec.key == descriptors_.front().first) section = static_cast<int>(spec.column);
        order = descriptors_.front().second ? Qt::AscendingOrder : Qt::DescendingOrder;
    }
    if (header->sortIndicatorSection() != section || header->sortIndicatorOrder() != order)
        header->setSortIndicator(section, order);

    emptyPanel_->setVisible(count == 0);
    if (model_->query().value().empty()) {
        emptyTitle_->setText(QStringLiteral("No songs here yet"));
        emptyDescription_->setText(QStringLiteral("Your music will appear as your library synchronizes."));
    } else {
        emptyTitle_->setText(QStringLiteral("No matches"));
        emptyDescription_->setText(QStringLiteral("Search covers your complete synchronized library."));
    }
}

void SongTableView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect area = table_->geometry();
    const QSize size = emptyPanel_->sizeHint().expandedTo(QSize(440, 0)).boundedTo(area.size());
    emptyPanel_->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    emptyPanel_->raise();
}

void SongTableView::syncSelectionFromTable() {
    std::set<std::string> ids;
    const PreparedSongRows& prepared = data_->prepared();
    for (const QItemSelectionRange& range : table_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (row >= 0 && static_cast<std::size_t>(row) < prepared.size())
                ids.insert(prepared.rows()[static_cast<std::size_t>(row)].id());
    selection_ = std::move(ids);
    updateHeader();
}

void SongTableView::setDescriptors(std::vector<std::pair<std::string, bool>> descriptors) {
    descriptors_ = std::move(descriptors);
    SongSortOrder order;
    for (const auto& [key, ascending] : descriptors_)
        if (const auto comparator = nativeComparator(key, ascending)) order.push_back(*comparator);
    sortOrder_ = std::move(order);
    prepareIfNeeded();
    updateHeader();
}

void SongTableView::setSortOrder(SongSortOrder order) {
    std::vector<std::pair<std::string, bool>> descriptors;
    for (const SongSortComparator& comparator : order)
        if (const auto key = nativeKey(comparator.property))
            descriptors.emplace_back(std::string(*key), !comparator.reverse);
    descriptors_ = std::move(descriptors);
    sortOrder_ = std::move(order);
    prepareIfNeeded();
    updateHeader();
}

void SongTableView::clickHeader(int section) {
    if (section < 0 || section >= static_cast<int>(songColumns.size())) return;
    const SongColumnSpec& spec = songColumns[static_cast<std::size_t>(section)];
    const std::string key(spec.key);
    std::vector<std::pair<std::string, bool>> descriptors = descriptors_;
    if (!descriptors.empty() && descriptors.front().first == key) {
        descriptors.front().second = !descriptors.front().second;
    } else {
        std::erase_if(descriptors, [&](const auto& descriptor) { return descriptor.first == key; });
        descriptors.insert(descriptors.begin(), {key, spec.firstAscending});
    }
    setDescriptors(std::move(descriptors));
}

std::optional<MenuSpec> SongTableView::menu(int row, bool ratingOnly) {
    const PreparedSongRows& prepared = data_->prepared();
    if (row < 0 || static_cast<std::size_t>(row) >= prepared.size()) return std::nullopt;
    const std::vector<Song> songs =
        ratingOnly ? std::vector<Song>{*prepared.rows()[static_cast<std::size_t>(row)].song}
                   : data_->selectedSongs(selection_);
    std::weak_ptr<AppModel> weak = model_;
    auto with = [weak](auto fn) {
        return [weak, fn](auto&&... args) {
            if (auto model = weak.lock()) fn(*model, args...);
        };
    };
    SongMenuActions actions;
    actions.showDetails = with([](AppModel& m, const Song& song) { m.setDetailsSong(song); });
    actions.play = with([](AppModel& m, const std::vector<Song>& s) {
        m.playback().play(s, std::nullopt, std::nullopt, std::nullopt);
    });
    actions.enqueue = with([](AppModel& m, const std::vector<Song>& s, bool next) {
        if (PlaybackController* controller = m.playback().controller()) controller->enqueue(s, next);
    });
    actions.canShare = [model = model_](const std::vector<Song>& s, SongShareDestination d) {
        return model->canShare(s, d);
    };
    actions.share =
        with([](AppModel& m, const std::vector<Song>& s, SongShareDestination d) { m.share(s, d); });
    actions.favorite = with([](AppModel& m, const Song& song) { m.favorite(song); });
    actions.download = with([](AppModel& m, const std::vector<Song>& s, const DownloadQuality& q) {
        m.downloads().enqueue(s, q);
    });
    actions.newPlaylist = with([](AppModel& m, const std::vector<Song>& s) { m.setNewPlaylistSongs(s); });
    actions.addToPlaylist =
        with([](AppModel& m, const Playlist& p, const std::vector<Song>& s) { m.addToPlaylist(p, s); });
    actions.rate = with([](AppModel& m, const Song& song, std::int64_t rating) { m.rate(song, rating); });
    return songMenu(songs, ratingOnly, model_->playlists().value(), actions);
}

QMimeData* SongTableView::dragData(const std::vector<int>& rows) const {
    const PreparedSongRows& prepared = data_->prepared();
    std::vector<SongDrag> drags;
    for (int row : rows)
        if (row >= 0 && static_cast<std::size_t>(row) < prepared.size()) {
            const SongTableRow& r = prepared.rows()[static_cast<std::size_t>(row)];
            drags.push_back(SongDrag{r.song->id, r.index});
        }
    if (drags.empty()) return nullptr;
    auto* data = new QMimeData();
    data->setText(QString::fromStdString(drags.front().encode()));
    data->setData(QString::fromLatin1(SongDrag::listMimeType),
                  QByteArray::fromStdString(SongDrag::encodeList(drags)));
    return data;
}

bool SongTableView::acceptsMoves() const {
    // Rows of an older list would move the wrong song.
    return isPlaylistRoute(model_->route().value()) && sortOrder_.empty() && preparedIsCurrent();
}

bool SongTableView::acceptDrop(const QString& payload, int row) {
    if (!acceptsMoves()) return false;
    const PreparedSongRows& prepared = data_->prepared();
    if (row < 0 || static_cast<std::size_t>(row) > prepared.size()) return false;
    const std::optional<SongDrag> drag = SongDrag::decode(payload.toStdString());
    if (!drag) return false;
    const auto found =
        std::find_if(prepared.rows().begin(), prepared.rows().end(), [&](const SongTableRow& r) {
            return r.index == drag->row && r.song->id == drag->songID;
        });
    if (found == prepared.rows().end()) return false;
    const std::int64_t target = static_cast<std::size_t>(row) == prepared.size()
                                    ? static_cast<std::int64_t>(prepared.size())
                                    : prepared.rows()[static_cast<std::size_t>(row)].index;
    reorder(drag->row, target, drag->songID);
    return true;
}

void SongTableView::reorder(std::int64_t from, std::int64_t to, const std::string& songID) {
    if (!isPlaylistRoute(model_->route().value()) || !sortOrder_.empty()) return;
    const auto& list = model_->songs().value();
    if (!list) return;
    const auto moved = reorderedSongs(*list, from, to, songID);
    if (!moved) return;
    if (const auto playlist = shownPlaylist(model_->route().value(), model_->playlists().value()))
        model_->savePlaylist(playlist->id, playlist->name, *moved);
}

void SongTableView::playSelection() {
    std::vector<Song> songs = data_->selectedSongs(selection_);
    if (!songs.empty()) model_->playback().play(std::move(songs), std::nullopt, std::nullopt, std::nullopt);
}

void SongTableView::removeSelection() {
    if (!preparedIsCurrent() || !isPlaylistRoute(model_->route().value())) return;
    const std::vector<Song> kept = songsAfterRemoving(data_->prepared(), selection_);
    if (const auto playlist = shownPlaylist(model_->route().value(), model_->playlists().value()))
        model_->savePlaylist(playlist->id, playlist->name, kept);
    selection_.clear();
    updateHeader();
    scheduleUpdate();
}

void SongTableView::playRow(int row) {
    const PreparedSongRows& prepared = data_->prepared();
    if (row < 0 || static_cast<std::size_t>(row) >= prepared.size()) return;
    std::vector<Song> songs;
    songs.reserve(prepared.size());
    for (const SongTableRow& r : prepared.rows())
        songs.push_back(*r.song);
    model_->playback().play(std::move(songs), std::nullopt, static_cast<std::size_t>(row), std::nullopt);
}

void SongTableView::toggleFavorite(int row) {
    const PreparedSongRows& prepared = data_->prepared();
    if (row < 0 || static_cast<std::size_t>(row) >= prepared.size()) return;
    model_->favorite(*prepared.rows()[static_cast<std::size_t>(row)].song);
}

} // namespace sorvalind
