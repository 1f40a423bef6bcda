#include "shell/main_content.h"

#include "shell/library_root.h"

#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/app_coordinator.h"

#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QVBoxLayout>

namespace sorvalind {

MainContentKind chooseMainContent(bool isResetting, bool hasModel, bool hasStartupError) noexcept {
    if (isResetting) return MainContentKind::resetting;
    if (hasModel) return MainContentKind::library;
    if (hasStartupError) return MainContentKind::startupFailure;
    return MainContentKind::opening;
}

MainContent::MainContent(std::shared_ptr<AppCoordinator> coordinator, ShellViews views, QWidget* parent)
    : QWidget(parent), coordinator_(std::move(coordinator)), views_(std::move(views)),
      layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
    setMinimumSize(minimumWidth, minimumHeight);
    setAutoFillBackground(true);
    setPalette(accentPalette(palette()));
    watch_.watch(coordinator_->isResetting());
    watch_.watch(coordinator_->model());
    watch_.watch(coordinator_->startupError());
    connect(&watch_, &ModelAdapter::modelChanged, this, &MainContent::choose);
    choose();
}

MainContent::~MainContent() {
    launch_.cancel();
}

LibraryRoot* MainContent::libraryRoot() const {
    return kind_ == MainContentKind::library ? qobject_cast<LibraryRoot*>(shown_.data()) : nullptr;
}

void MainContent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) launch_ = coordinator_->launch();
}

void MainContent::choose() {
    const auto& model = coordinator_->model().value();
    const MainContentKind kind = chooseMainContent(coordinator_->isResetting().value(), model != nullptr,
                                                   coordinator_->startupError().value().has_value());
    // The same kind keeps its view, except that each model gets its own root.
    if (built_ && kind == kind_) {
        const LibraryRoot* root = libraryRoot();
        if (kind != MainContentKind::library || (root && root->model() == model)) return;
    }
    built_ = true;
    kind_ = kind;
    QWidget* next = nullptr;
    switch (kind) {
    case MainContentKind::resetting:
        next = progress(QStringLiteral("Resetting Sorvalind…"));
        break;
    case MainContentKind::library: {
        auto* root = new LibraryRoot(model, coordinator_, views_, this);
        connect(root, &LibraryRoot::titleChanged, this, &MainContent::titleChanged);
        next = root;
        break;
    }
    case MainContentKind::startupFailure:
        next = views_.startupFailure ? views_.startupFailure(coordinator_, this) : new QWidget(this);
        break;
    case MainContentKind::opening:
        next = progress(QStringLiteral("Opening your library…"));
        break;
    }
    if (shown_) {
        layout_->removeWidget(shown_);
        // The old tree goes at once: nothing of it may follow the new model.
        delete shown_.data();
    }
    shown_ = next;
    layout_->addWidget(next);
    const LibraryRoot* root = libraryRoot();
    emit titleChanged(root ? root->title() : QStringLiteral("Sorvalind"));
}

QWidget* MainContent::progress(const QString& text) {
    auto* frame = new QWidget(this);
    auto* layout = new QVBoxLayout(frame);
    layout->addStretch(1);
    auto* bar = new QProgressBar(frame);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedWidth(200);
    layout->addWidget(bar, 0, Qt::AlignHCenter);
    QLabel* label = plainLabel(text, frame);
    label->setObjectName(QStringLiteral("progressLabel"));
    label->setAlignment(Qt::AlignCenter);
    applySecondaryStyle(label);
    layout->addWidget(label, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return frame;
}

} // namespace sorvalind
