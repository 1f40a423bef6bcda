#include "songs/downloads_list.h"

#include "platform/motion_preference.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>

namespace sorvalind {

DownloadsList::DownloadsList(AppModel* model, Actions actions, QWidget* parent)
    : QListView(parent), rows_(this), delegate_(new DownloadsDelegate(model, rows_, this)),
      actions_(std::move(actions)), motion_(new MotionPreference(this)) {
    setModel(&rows_);
    setItemDelegate(delegate_);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(false);
    setMouseTracking(true);
    setAccessibleName(QStringLiteral("Downloads"));
    connect(delegate_, &DownloadsDelegate::coverArrived, viewport(), qOverload<>(&QWidget::update));
    sweepTimer_.setInterval(40);
    connect(&sweepTimer_, &QTimer::timeout, this, [this] {
        sweep_ += 0.025 * sweepDirection_;
        if (sweep_ >= 1 || sweep_ <= 0) sweepDirection_ = -sweepDirection_;
        sweep_ = std::clamp(sweep_, 0.0, 1.0);
        delegate_->setSweep(sweep_);
        viewport()->update();
    });
    connect(&rows_, &QAbstractItemModel::modelReset, this, &DownloadsList::updateSweep);
    connect(&rows_, &QAbstractItemModel::dataChanged, this, &DownloadsList::updateSweep);
    connect(&rows_, &QAbstractItemModel::rowsRemoved, this, &DownloadsList::updateSweep);
    connect(motion_, &MotionPreference::changed, this, [this] {
        sweepTimer_.stop();
        updateSweep();
    });
}

void DownloadsList::updateSweep() {
    const bool sweeping =
        std::any_of(rows_.jobs().begin(), rows_.jobs().end(), &DownloadsDelegate::isIndeterminate);
    if (sweeping && !motion_->reduceMotion() && !sweepTimer_.isActive()) sweepTimer_.start();
    if (!sweeping) sweepTimer_.stop();
}

std::pair<int, DownloadsHit> DownloadsList::hitAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid()) return {-1, DownloadsHit::none};
    return {index.row(), delegate_->hit(visualRect(index), index.row(), point)};
}

void DownloadsList::setPointer(int row, DownloadsHit hovered, DownloadsHit pressed) {
    if (row == pointerRow_ && hovered == hovered_ && pressed == pressed_) return;
    pointerRow_ = row;
    hovered_ = hovered;
    pressed_ = pressed;
    delegate_->setPointer(row, hovered, pressed);
    viewport()->update();
}

void DownloadsList::mouseMoveEvent(QMouseEvent* event) {
    const auto [row, hit] = hitAt(event->position().toPoint());
    setPointer(row, hit, pressed_);
    QListView::mouseMoveEvent(event);
}

void DownloadsList::mousePressEvent(QMouseEvent* event) {
    const auto [row, hit] = hitAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && hit != DownloadsHit::none) {
        setPointer(row, hit, hit);
        event->accept();
        return;
    }
    QListView::mousePressEvent(event);
}

void DownloadsList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_ != DownloadsHit::none) {
        const DownloadsHit pressed = pressed_;
        const int pressedRow = pointerRow_;
        const auto [row, hit] = hitAt(event->position().toPoint());
        setPointer(row, hit, DownloadsHit::none);
        if (row == pressedRow && hit == pressed) press(row, hit);
        event->accept();
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void DownloadsList::leaveEvent(QEvent* event) {
    setPointer(-1, DownloadsHit::none, DownloadsHit::none);
    QListView::leaveEvent(event);
}

void DownloadsList::press(int row, DownloadsHit button) {
    if (button == DownloadsHit::cancelAll) {
        if (rows_.row(row) && rows_.row(row)->kind == DownloadsModel::Kind::cancelAll && actions_.cancelAll)
            actions_.cancelAll();
        return;
    }
    if (const DownloadJob* job = rows_.job(row)) {
        const std::string id = job->id();
        if (button == DownloadsHit::cancel && actions_.cancel) actions_.cancel(id);
        if (button == DownloadsDelegate::jobAction(*job)) {
            if (button == DownloadsHit::pause && actions_.pause) actions_.pause(id);
            if (button == DownloadsHit::retry && actions_.retry) actions_.retry(id);
        }
        return;
    }
    if (const DownloadRecord* record = rows_.record(row))
        if (button == DownloadsHit::play && actions_.play) actions_.play(*record);
}

QMenu* DownloadsList::makeMenu(int row, QWidget* parent) {
    const DownloadRecord* record = rows_.record(row);
    if (!record) return nullptr;
    auto* menu = new QMenu(parent);
    menu->addAction(QStringLiteral("Remove Local Download"), this, [this, copy = *record] {
        if (actions_.remove) actions_.remove(copy);
    });
    return menu;
}

void DownloadsList::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeMenu(indexAt(event->pos()).row(), this);
    if (!menu) return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace sorvalind
