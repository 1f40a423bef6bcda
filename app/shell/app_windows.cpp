#include "shell/app_windows.h"

#include "shell/app_activation.h"
#include "shell/app_commands.h"
#include "shell/app_menu_bar.h"
#include "shell/library_root.h"
#include "shell/main_content.h"
#include "shell/main_window_factory.h"

#include "kit/text_styles.h"
#include "kit/window_activity.h"

#include <QAction>
#include <QMainWindow>

namespace sorvalind {

AppWindows::AppWindows(std::shared_ptr<AppCoordinator> coordinator, Executor& mainActor, ShellViews views,
                       std::function<void()> quit, QObject* parent)
    : QObject(parent), coordinator_(coordinator), views_(std::move(views)) {
    commands_ = new AppCommands(coordinator_,
                                {
                                    .showMain = [this] { showMain(); },
                                    .showHelp = [this] { showHelp(); },
                                    .quit = std::move(quit),
                                },
                                this);
    activation_ = new AppActivation(coordinator_, mainActor, this);
    activity_ = new WindowActivity(this);
    connect(activity_, &WindowActivity::becameActive, activation_, &AppActivation::activated);

    main_ = std::make_unique<QMainWindow>();
    main_->setObjectName(QStringLiteral("main"));
    main_->setWindowTitle(QStringLiteral("Sorvalind"));
    main_->setPalette(accentPalette(main_->palette()));
    installMenuBar(*main_, *commands_);
    content_ = new MainContent(coordinator_, views_, main_.get());
    connect(content_, &MainContent::titleChanged, main_.get(), &QMainWindow::setWindowTitle);
    // Each model's window starts with the sidebar as the View menu has it.
    const auto applySidebar = [this] {
        if (LibraryRoot* root = content_->libraryRoot(); root && root->factory())
            root->factory()->setSidebarVisible(commands_->showSidebar()->isChecked());
    };
    connect(commands_->showSidebar(), &QAction::toggled, this, applySidebar);
    connect(content_, &MainContent::titleChanged, this, applySidebar);
    main_->setCentralWidget(content_);
    main_->resize(mainWidth, mainHeight);
}

AppWindows::~AppWindows() {
    if (help_) delete help_.data();
    main_.reset();
}

void AppWindows::bringForward(QMainWindow& window) {
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

void AppWindows::showMain() {
    bringForward(*main_);
}

void AppWindows::showHelp() {
    if (!help_) {
        help_ = new QMainWindow();
        help_->setObjectName(QStringLiteral("help"));
        help_->setAttribute(Qt::WA_DeleteOnClose);
        help_->setWindowTitle(QStringLiteral("Sorvalind Help"));
        help_->setPalette(accentPalette(help_->palette()));
        installMenuBar(*help_, *commands_);
        if (views_.help) help_->setCentralWidget(views_.help(help_));
        help_->resize(helpWidth, helpHeight);
    }
    bringForward(*help_);
}

} // namespace sorvalind
