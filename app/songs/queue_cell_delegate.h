#pragma once
// Paints the queue table's rows: a section title, or a song's cover, title,
// artist names and the now-playing marker, faded when the song cannot play
// offline. Covers are asked for only as rows are painted; a cover that
// arrives repaints the rows that still show its identifier (a row showing
// another song by then draws that song's cover). Offline the cache gets no
// client.
//
// GUI thread only; the model must outlive the delegate.

#include <QImage>
#include <QStyledItemDelegate>

#include <map>
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
    const std::set<std::string>& requestedCovers() const noexcept { return requested_; }

signals:
    void coverArrived();

private:
    QImage cover(const std::string& id) const;

    AppModel* model_;
    const QueueTableModel& rows_;
    mutable std::map<std::string, QImage> covers_;
    mutable std::set<std::string> requested_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

} // namespace sorvalind
