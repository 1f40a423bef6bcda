#include "songs/queue_panel.h"

#include "songs/content_unavailable_view.h"
#include "songs/queue_cell_delegate.h"
#include "songs/queue_table_model.h"
#include "songs/queue_table_view.h"

#include "kit/model_adapter.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include "model/app_model.h"
#include "playback/playback_controller.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvalind {

QueuePanel::QueuePanel(std::shared_ptr<AppModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)),
      controller_(model_ ? model_->playback().controller() : nullptr), adapter_(new ModelAdapter(this)) {
    rows_ = std::make_unique<QueueTableModel>([this](const std::string& id, const std::string& before) {
        if (controller_) controller_->move(id, before);
    });
    QueueTableView::Actions actions;
    actions.showDetails = [this](const Song& song) {
        if (model_) model_->setDetailsSong(song);
    };
    actions.remove = [this](const std::string& id) {
        if (controller_) controller_->remove(id);
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    auto* headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(16, 16, 16, 16);
    headerLayout->setSpacing(8);
    auto* title = new QLabel(QStringLiteral("Queue"), header);
    applyTextStyle(title, TextStyle::headline);
    clear_ = new QPushButton(QStringLiteral("Clear"), header);
    applyTextStyle(clear_, TextStyle::caption);
    clear_->setToolTip(QStringLiteral("Clear Manual Queue"));
    clear_->setAccessibleName(QStringLiteral("Clear Manual Queue"));
    connect(clear_, &QPushButton::clicked, this, [this] {
        if (controller_) controller_->clearManual();
    });
    close_ = new QToolButton(header);
    close_->setAutoRaise(true);
    close_->setIcon(symbolIcon(QStringLiteral("xmark"), palette().color(QPalette::WindowText)));
    close_->setToolTip(QStringLiteral("Close queue"));
    close_->setAccessibleName(QStringLiteral("Close queue"));
    connect(close_, &QToolButton::clicked, this, [this] {
        if (model_) model_->setQueuePresented(false);
    });
    headerLayout->addWidget(title);
    headerLayout->addStretch(1);
    headerLayout->addWidget(clear_);
    headerLayout->addWidget(close_);
    layout->addWidget(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    table_ = new QueueTableView(model_.get(), *rows_, std::move(actions), this);
    layout->addWidget(table_, 1);

    empty_ = new ContentUnavailableView(QStringLiteral("text.line.first.and.arrowtriangle.forward"),
                                        QStringLiteral("Your queue is clear"),
                                        QStringLiteral("Play an album or add songs with Play Next."), this);
    layout->addWidget(empty_, 1);

    if (model_) {
        if (controller_) adapter_->watch(controller_->queue(), [this] { update(); });
        adapter_->watch(model_->isOffline(), [this] { update(); });
        adapter_->watch(model_->downloadedSongIDs(), [this] { update(); });
        adapter_->watch(model_->connected(), [this] { update(); });
    }
    update();
}

QueuePanel::~QueuePanel() = default;

void QueuePanel::flush() {
    adapter_->flush();
}

void QueuePanel::update() {
    if (controller_) queue_ = controller_->queue().value();
    const bool offline = model_ && model_->isOffline().value();
    // A cover that was not found may come once the connection is back.
    const bool connected = model_ && model_->connected().value() && !offline;
    if (connected != wasConnected_) table_->cellDelegate().retryMissingCovers();
    wasConnected_ = connected;
    static const std::set<std::string> none;
    rows_->update(queue_, offline, model_ ? model_->downloadedSongIDs().value() : none);
    clear_->setVisible(!queue_.manual.empty());
    empty_->setVisible(!queue_.current.has_value());
    // The empty state takes the whole panel rather than half of it below a
    // blank table.
    table_->setVisible(rows_->rowCount() > 0);
    table_->viewport()->update();
}

} // namespace sorvalind
