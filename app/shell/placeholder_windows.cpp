// The main window until the library window takes its place: the title, the
// coordinator's state in one line, and the Quit command.
#include "shell/application_windows.h"
#include "shell/quit_controller.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

#include <vector>

namespace sorvalind {

namespace {

class PlaceholderWindows final : public ApplicationWindows {
public:
    PlaceholderWindows(std::shared_ptr<AppCoordinator> coordinator, QuitController& quit)
        : coordinator_(std::move(coordinator)) {
        auto* quitAction = new QAction(QStringLiteral("Quit"), &context_);
        quitAction->setShortcut(QKeySequence::Quit);
        quitAction->setShortcutContext(Qt::ApplicationShortcut);
        QObject::connect(quitAction, &QAction::triggered, &quit, &QuitController::quit);
        quitAction_ = quitAction;
        subscriptions_.push_back(coordinator_->model().subscribe([this](const auto&) { update(); }));
        subscriptions_.push_back(coordinator_->startupError().subscribe([this](const auto&) { update(); }));
    }

    void showMain() override {
        if (!window_) {
            window_ = new QWidget;
            window_->setAttribute(Qt::WA_DeleteOnClose);
            window_->setObjectName(QStringLiteral("main"));
            window_->setWindowTitle(QStringLiteral("Sorvalind"));
            window_->setMinimumSize(780, 540);
            window_->resize(1180, 780);
            window_->addAction(quitAction_);
            auto* layout = new QVBoxLayout(window_);
            label_ = new QLabel(window_);
            label_->setTextFormat(Qt::PlainText);
            label_->setAlignment(Qt::AlignCenter);
            layout->addWidget(label_);
            update();
        }
        window_->show();
        window_->raise();
        window_->activateWindow();
    }

private:
    void update() {
        if (!label_) return;
        QString text = QStringLiteral("Opening your library…");
        if (coordinator_->isResetting().value())
            text = QStringLiteral("Resetting Sorvalind…");
        else if (const auto& model = coordinator_->model().value())
            text = QString::fromStdString(model->status().value());
        else if (const auto& error = coordinator_->startupError().value())
            text = QString::fromStdString(*error);
        label_->setText(text);
    }

    std::shared_ptr<AppCoordinator> coordinator_;
    QObject context_;
    QAction* quitAction_ = nullptr;
    QPointer<QWidget> window_;
    QPointer<QLabel> label_;
    std::vector<Subscription> subscriptions_;
};

} // namespace

std::unique_ptr<ApplicationWindows> makeApplicationWindows(std::shared_ptr<AppCoordinator> coordinator,
                                                           QuitController& quit) {
    return std::make_unique<PlaceholderWindows>(std::move(coordinator), quit);
}

} // namespace sorvalind
