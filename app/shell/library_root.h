#pragma once
// The main window's content once a model exists: the library window for a
// configured model, otherwise the first-run page (a header over the sign-in
// form and the privacy-policy link, at most 640 pixels wide, centred). One
// root per model: a new model gets a new root and fresh view state.
//
// GUI thread only. Holds the model weakly.

#include "shell/shell_views.h"

#include <QWidget>

#include <memory>

namespace sorvalind {

class MainWindowFactory;

class LibraryRoot : public QWidget {
    Q_OBJECT
public:
    LibraryRoot(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                const ShellViews& views, QWidget* parent = nullptr);

    // The model this root was built for (none once it is gone).
    std::shared_ptr<AppModel> model() const { return model_.lock(); }
    bool isFirstRun() const noexcept { return firstRun_; }
    // The page's title in the library window, else "Sorvalind".
    QString title() const;
    // The library window's factory; null on the first-run page.
    MainWindowFactory* factory() const noexcept { return factory_; }

signals:
    void titleChanged(const QString& title);

private:
    QWidget* buildFirstRun(std::shared_ptr<AppCoordinator> coordinator, const ShellViews& views);

    std::weak_ptr<AppModel> model_;
    bool firstRun_ = false;
    MainWindowFactory* factory_ = nullptr;
};

} // namespace sorvalind
