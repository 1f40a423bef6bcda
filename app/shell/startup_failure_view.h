#pragma once
// What fills the main window when the coordinator has no model but a
// start-up error: why the library could not be opened, or why a reset
// failed, with "Retry Reset" in the latter case only. GUI thread only.

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;

namespace sorvalind {

class AppCoordinator;
class ModelAdapter;

class AppStartupFailure : public QWidget {
    Q_OBJECT

public:
    explicit AppStartupFailure(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent = nullptr);

    QLabel* title() const noexcept { return title_; }
    QLabel* message() const noexcept { return message_; }
    QPushButton* retryButton() const noexcept { return retry_; }

private:
    void render();

    std::shared_ptr<AppCoordinator> coordinator_;
    ModelAdapter* watch_;
    QLabel* symbol_;
    QLabel* title_;
    QLabel* message_;
    QPushButton* retry_;
};

} // namespace sorvalind
