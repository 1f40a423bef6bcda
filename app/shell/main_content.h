#pragma once
// What fills the main window, chosen from the coordinator alone, testing in
// this order: a reset in progress ("Resetting Sorvalind…", even while a
// model exists), a model (its library root, built afresh for each model),
// a start-up error (the failure view), else "Opening your library…".
// Showing the content starts the coordinator's launch (which does nothing
// once a model exists or a reset runs or failed).
//
// GUI thread only.

#include "shell/shell_views.h"

#include "kit/model_adapter.h"
#include "runtime/task_handle.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace sorvalind {

class LibraryRoot;

enum class MainContentKind { resetting, library, startupFailure, opening };

MainContentKind chooseMainContent(bool isResetting, bool hasModel, bool hasStartupError) noexcept;

class MainContent : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 780;
    static constexpr int minimumHeight = 540;

    MainContent(std::shared_ptr<AppCoordinator> coordinator, ShellViews views, QWidget* parent = nullptr);
    ~MainContent() override;

    MainContentKind kind() const noexcept { return kind_; }
    // The view shown now.
    QWidget* shown() const noexcept { return shown_; }
    // The library root while the kind is `library`.
    LibraryRoot* libraryRoot() const;

signals:
    void titleChanged(const QString& title);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void choose();
    QWidget* progress(const QString& text);

    std::shared_ptr<AppCoordinator> coordinator_;
    ShellViews views_;
    ModelAdapter watch_;
    QVBoxLayout* layout_;
    QPointer<QWidget> shown_;
    MainContentKind kind_ = MainContentKind::opening;
    bool built_ = false;
    TaskHandle launch_;
};

} // namespace sorvalind
