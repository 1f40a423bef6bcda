#pragma once
// Builds the library window for a signed-in model and tells the window its
// title (titleChanged, whenever the page's title changes). The settings page
// comes from the shell's views; the song table prepares its rows on the
// views' row worker.
//
// GUI thread only. Holds the model weakly.

#include "shell/shell_views.h"

#include "library_window/library_window.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace sorvalind {

class MainWindowFactory : public QObject {
    Q_OBJECT
public:
    MainWindowFactory(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                      ShellViews views, QObject* parent = nullptr);

    // The view, owned by `parent`; build it once.
    QWidget* build(QWidget* parent);
    QString title() const { return title_; }
    // The window once built (none after it is gone).
    LibraryWindow* window() const { return window_; }
    // The View menu's Show Sidebar.
    void setSidebarVisible(bool visible);

signals:
    void titleChanged(const QString& title);

private:
    std::weak_ptr<AppModel> model_;
    std::shared_ptr<AppCoordinator> coordinator_;
    ShellViews views_;
    QString title_ = QStringLiteral("Sorvalind");
    QPointer<LibraryWindow> window_;
};

} // namespace sorvalind
