#pragma once
// The downloads page's list: one QListView over a DownloadsModel whose
// delegate paints every row and its buttons. A click runs the button under
// the pointer when it is released over the same button; a record's context
// menu offers "Remove Local Download". What the buttons do comes in as
// actions, so the list knows nothing of the manager.
//
// GUI thread only.

#include "songs/downloads_delegate.h"
#include "songs/downloads_model.h"

#include <QListView>
#include <QTimer>

#include <functional>

class QMenu;

namespace sorvalind {
class MotionPreference;
}

namespace sorvalind {

class DownloadsList : public QListView {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> cancelAll;
        std::function<void(const std::string& id)> pause;
        std::function<void(const std::string& id)> retry;
        std::function<void(const std::string& id)> cancel;
        std::function<void(const DownloadRecord&)> play;
        std::function<void(const DownloadRecord&)> remove;
    };

    DownloadsList(AppModel* model, Actions actions, QWidget* parent = nullptr);

    DownloadsModel& rows() noexcept { return rows_; }
    DownloadsDelegate& cellDelegate() const noexcept { return *delegate_; }
    // Runs the row's button as a click would.
    void press(int row, DownloadsHit button);
    // The row's menu (the caller owns it); none but for a record.
    QMenu* makeMenu(int row, QWidget* parent);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::pair<int, DownloadsHit> hitAt(const QPoint& point) const;
    void setPointer(int row, DownloadsHit hovered, DownloadsHit pressed);
    void updateSweep();

    DownloadsModel rows_;
    DownloadsDelegate* delegate_;
    Actions actions_;
    int pointerRow_ = -1;
    DownloadsHit hovered_ = DownloadsHit::none;
    DownloadsHit pressed_ = DownloadsHit::none;
    // Runs only while a bar is indeterminate and motion is welcome.
    QTimer sweepTimer_;
    MotionPreference* motion_;
    double sweep_ = 0;
    int sweepDirection_ = 1;
};

} // namespace sorvalind
