#include "library_window/sidebar_tree.h"

#include "library_window/page_route.h"
#include "library_window/playlist_drop.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QStyledItemDelegate>

#include <algorithm>

namespace sorvalind {

namespace {

QStandardItem* sectionItem(const QString& title) {
    auto* item = new QStandardItem(title);
    item->setFlags(Qt::ItemIsEnabled);
    QFont font = textFont(TextStyle::caption);
    font.setWeight(QFont::DemiBold);
    item->setFont(font);
    return item;
}

QStandardItem* routeItem(const QString& title, const QString& symbol, const QString& route,
                         const QColor& color) {
    // On the selected row the accent fills the row, so the symbol turns white.
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(symbolPixmap(symbol, QSize(16, 16), color, ratio), QIcon::Normal);
        icon.addPixmap(symbolPixmap(symbol, QSize(16, 16), Qt::white, ratio), QIcon::Selected);
    }
    auto* item = new QStandardItem(icon, title);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setData(route, SidebarTree::routeRole);
    return item;
}

// Rows at the height of a desktop sidebar, not of a dense list.
class SidebarRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), SidebarTree::rowHeight));
        return size;
    }
};

} // namespace

SidebarTree::SidebarTree(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setIconSize(QSize(16, 16));
    setIndentation(12);
    setItemDelegate(new SidebarRowDelegate(this));
    setModel(&items_);
    const QColor accent = accentColor();
    library_ = sectionItem(QStringLiteral("Library"));
    for (const LibraryItem& item : libraryItems()) {
        const QString title = QString::fromUtf8(item.title);
        library_->appendRow(routeItem(title, QString::fromUtf8(item.symbol), title, accent));
    }
    playlistSection_ = sectionItem(QStringLiteral("Playlists"));
    items_.appendRow(library_);
    items_.appendRow(playlistSection_);
    setPlaylists({});
    expandAll();
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.data(newPlaylistRole).toBool()) emit newPlaylistClicked();
    });
}

void SidebarTree::setPlaylists(const std::vector<Playlist>& playlists) {
    if (playlists == playlists_ && playlistSection_->rowCount() > 0) return;
    playlists_ = playlists;
    playlistSection_->removeRows(0, playlistSection_->rowCount());
    const QColor accent = accentColor();
    for (const Playlist& playlist : playlists_) {
        QStandardItem* item =
            routeItem(QString::fromStdString(playlist.name), QStringLiteral("music.note.list"),
                      QString::fromStdString(playlistRoute(playlist.id)), accent);
        item->setData(QString::fromStdString(playlist.id), playlistRole);
        item->setDropEnabled(true);
        item->setFlags(item->flags() | Qt::ItemIsDropEnabled);
        playlistSection_->appendRow(item);
    }
    auto* create = new QStandardItem(symbolIcon(QStringLiteral("plus"), secondaryTextColor(palette())),
                                     QStringLiteral("New Playlist"));
    create->setFlags(Qt::ItemIsEnabled);
    create->setForeground(secondaryTextColor(palette()));
    create->setData(true, newPlaylistRole);
    playlistSection_->appendRow(create);
}

QModelIndex SidebarTree::indexOf(const std::optional<std::string>& route) const {
    if (!route) return {};
    const QString value = QString::fromStdString(*route);
    for (QStandardItem* section : {library_, playlistSection_})
        for (int row = 0; row < section->rowCount(); ++row)
            if (section->child(row)->data(routeRole).toString() == value && !value.isEmpty())
                return section->child(row)->index();
    return {};
}

QModelIndex SidebarTree::playlistsSection() const {
    return playlistSection_->index();
}

QModelIndex SidebarTree::newPlaylistRow() const {
    return playlistSection_->child(playlistSection_->rowCount() - 1)->index();
}

std::optional<Playlist> SidebarTree::playlistAt(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != playlistSection_->index()) return std::nullopt;
    const QString id = index.data(playlistRole).toString();
    if (id.isNull()) return std::nullopt;
    for (const Playlist& playlist : playlists_)
        if (QString::fromStdString(playlist.id) == id) return playlist;
    return std::nullopt;
}

void SidebarTree::dragEnterEvent(QDragEnterEvent* event) {
    if (hasSongDropForm(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SidebarTree::dragMoveEvent(QDragMoveEvent* event) {
    if (playlistAt(indexAt(event->position().toPoint())) && hasSongDropForm(*event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SidebarTree::dropEvent(QDropEvent* event) {
    const auto playlist = playlistAt(indexAt(event->position().toPoint()));
    if (playlist && dropOnPlaylist && dropOnPlaylist(*playlist, *event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void SidebarTree::contextMenuEvent(QContextMenuEvent* event) {
    const QModelIndex index =
        event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
    const auto playlist = playlistAt(index);
    if (!playlist) return;
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : viewport()->mapToGlobal(visualRect(index).center());
    emit playlistMenuRequested(QString::fromStdString(playlist->id), at);
}

} // namespace sorvalind
