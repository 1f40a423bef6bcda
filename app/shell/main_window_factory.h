#pragma once
// Builds the library window's view for a signed-in model and tells the
// window its title (titleChanged, whenever the page's title changes). Until
// the library window exists it builds a stand-in titled "Sorvalind": the
// model's status line, and the settings page while the route is "Settings",
// so that the settings and connection commands lead somewhere.
//
// GUI thread only. Holds the model weakly.

#include "shell/shell_views.h"

#include "kit/model_adapter.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QLabel;
class QStackedLayout;
class QWidget;

namespace sorvalind {

class MainWindowFactory : public QObject {
    Q_OBJECT
public:
    MainWindowFactory(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                      ShellViews views, QObject* parent = nullptr);

    // The view, owned by `parent`; build it once.
    QWidget* build(QWidget* parent);
    QString title() const { return title_; }

signals:
    void titleChanged(const QString& title);

private:
    void render();

    std::weak_ptr<AppModel> model_;
    std::shared_ptr<AppCoordinator> coordinator_;
    ShellViews views_;
    ModelAdapter watch_;
    QString title_ = QStringLiteral("Sorvalind");
    QPointer<QWidget> root_;
    QLabel* status_ = nullptr;
    QStackedLayout* pages_ = nullptr;
    QPointer<QWidget> settings_;
};

} // namespace sorvalind
