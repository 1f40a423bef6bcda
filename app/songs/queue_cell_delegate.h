#pragma once
// Paints the queue table's rows: a section title, or a song's cover, title,
// artist names and the now-playing marker, faded when the song cannot play
// offline. Covers are asked for only as rows are painted; a cover that
// arrives repaints the rows that still show its identifier (a row showing
// another song by then draws that song's cover). Offline the cache gets no
// client.
//
// GUI thread only; the model must outlive the delegate.

#include "songs/cover_images.h"

#include <QStyledItemDelegate>

#include <set>
#include <string>

namespace sorvalind {

class AppModel;
class QueueTableModel;

class QueueCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int songHeight = 48;
    static constexpr int headingHeight = 28;

    QueueCellDelegate(AppModel* model, const QueueTableModel& rows, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Forgets covers that were not found, so the next paint asks again (the
    // connection came back).
    void retryMissingCovers();
    // The cover requests sent so far, by identifier (tests).
    const std::set<std::string>& requestedCovers() const noexcept { return covers_.requested(); }

signals:
    void coverArrived();

private:
    const QueueTableModel& rows_;
    mutable CoverImages covers_;
};

} // namespace sorvalind
