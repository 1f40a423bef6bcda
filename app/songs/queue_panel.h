#pragma once
// The library window's queue panel: a header with "Queue", "Clear" (while
// something is queued by hand) and the close button, then the queue table,
// and the empty state while nothing plays. It follows the playback
// controller's queue, the offline state and the downloaded songs; every
// change it asks for goes through the controller. A model without a
// controller shows an empty queue.
//
// GUI thread only.

#include "playback/queue_state.h"

#include <QWidget>

#include <memory>

class QPushButton;
class QToolButton;

namespace sorvalind {

class AppModel;
class ContentUnavailableView;
class ModelAdapter;
class PlaybackController;
class QueueTableModel;
class QueueTableView;

class QueuePanel : public QWidget {
    Q_OBJECT
public:
    QueuePanel(std::shared_ptr<AppModel> model, QWidget* parent = nullptr);
    ~QueuePanel() override;

    QueueTableView& table() const noexcept { return *table_; }
    QPushButton& clearButton() const noexcept { return *clear_; }
    QToolButton& closeButton() const noexcept { return *close_; }
    ContentUnavailableView& emptyState() const noexcept { return *empty_; }
    const QueueState& queue() const noexcept { return queue_; }
    // Applies what is pending from the model now (tests).
    void flush();

private:
    void update();

    std::shared_ptr<AppModel> model_;
    PlaybackController* controller_;
    ModelAdapter* adapter_;
    std::unique_ptr<QueueTableModel> rows_;
    QueueState queue_;
    QueueTableView* table_;
    QPushButton* clear_;
    QToolButton* close_;
    ContentUnavailableView* empty_;
    bool wasConnected_ = false;
};

} // namespace sorvalind
