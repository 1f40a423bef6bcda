#include "shell/main_window_factory.h"

#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/app_model.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <QWidget>

namespace sorvalind {

MainWindowFactory::MainWindowFactory(std::shared_ptr<AppModel> model,
                                     std::shared_ptr<AppCoordinator> coordinator, ShellViews views,
                                     QObject* parent)
    : QObject(parent), model_(model), coordinator_(std::move(coordinator)), views_(std::move(views)) {
    watch_.watch(model->status());
    watch_.watch(model->route());
    watch_.watch(model->query());
    connect(&watch_, &ModelAdapter::modelChanged, this, &MainWindowFactory::render);
}

QWidget* MainWindowFactory::build(QWidget* parent) {
    root_ = new QWidget(parent);
    pages_ = new QStackedLayout(root_);
    auto* library = new QWidget(root_);
    auto* layout = new QVBoxLayout(library);
    status_ = plainLabel(QString(), library);
    status_->setAlignment(Qt::AlignCenter);
    applySecondaryStyle(status_);
    layout->addWidget(status_);
    pages_->addWidget(library);
    render();
    return root_;
}

void MainWindowFactory::render() {
    const auto model = model_.lock();
    if (!model || !root_) return;
    setPlainText(status_, QString::fromStdString(model->status().value()));
    const bool settings = model->route().value() == std::optional<std::string>("Settings") &&
                          model->query().value().empty() && views_.settingsPage;
    if (settings && !settings_) {
        settings_ = views_.settingsPage(model, coordinator_, root_);
        pages_->addWidget(settings_);
    }
    if (settings) {
        pages_->setCurrentWidget(settings_);
    } else {
        pages_->setCurrentIndex(0);
    }
}

} // namespace sorvalind
