#pragma once
// Paints every row of the downloads page, buttons included: the section
// headings, "Cancel All Transfers", a job's title, status line, "Pause" or
// "Retry", cancel button and progress, and a record's cover, texts, size and
// play button. hit() gives the button under a point from the same geometry
// the painting uses; the list tells the delegate which button the pointer
// is over and which one is held down, and the delegate's help event gives
// the buttons' tooltips.
//
// GUI thread only; the model must outlive the delegate.

#include "songs/cover_images.h"
#include "songs/downloads_model.h"

#include <QStyledItemDelegate>

namespace sorvalind {

class AppModel;

enum class DownloadsHit { none, cancelAll, pause, retry, cancel, play };

class DownloadsDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr const char* cancelAllHelp =
        "Clear the download queue and stop active transfers. Completed downloads are kept.";

    DownloadsDelegate(AppModel* model, const DownloadsModel& rows, QObject* parent = nullptr);

    // "Pause" while the job is downloading or verifying, else "Retry".
    static DownloadsHit jobAction(const DownloadJob& job);
    DownloadsHit hit(const QRect& cell, int row, const QPoint& point) const;
    // The button's rectangle in a row, empty when the row has none.
    QRect buttonRect(const QRect& cell, int row, DownloadsHit button) const;

    void setPointer(int row, DownloadsHit hovered, DownloadsHit pressed);
    // Where the sweep of an indeterminate bar is, 0 to 1.
    void setSweep(double sweep) { sweep_ = sweep; }
    // A job whose length is not known yet: its bar sweeps.
    static bool isIndeterminate(const DownloadJob& job);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    CoverImages& covers() noexcept { return covers_; }

signals:
    void coverArrived();

private:
    void paintButton(QPainter& painter, const QRect& rect, const QString& text, const QString& symbol,
                     bool destructive, int row, DownloadsHit button, const QPalette& palette) const;

    const DownloadsModel& rows_;
    mutable CoverImages covers_;
    int pointerRow_ = -1;
    DownloadsHit hovered_ = DownloadsHit::none;
    DownloadsHit pressed_ = DownloadsHit::none;
    double sweep_ = 0.35;
};

} // namespace sorvalind
