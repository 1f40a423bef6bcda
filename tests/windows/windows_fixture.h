#pragma once
// The application's windows over a coordinator on the loopback server, with
// labelled stand-ins for the forms they embed, and a Quit that is only
// counted.

#include "shell/app_commands.h"
#include "shell/app_windows.h"
#include "shell/library_root.h"
#include "shell/main_content.h"

#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"

#include "model/app_coordinator.h"

#include <gtest/gtest.h>

#include <QLabel>

#include <memory>

namespace sorvalind::test {

inline QLabel* standIn(const char* name, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(name), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

inline ShellViews standInViews() {
    return {
        .signInForm = [](std::shared_ptr<AppCoordinator>,
                         QWidget* parent) { return standIn("signInForm", parent); },
        .startupFailure = [](std::shared_ptr<AppCoordinator>,
                             QWidget* parent) { return standIn("startupFailure", parent); },
        .settingsPage = [](std::shared_ptr<AppModel>, std::shared_ptr<AppCoordinator>,
                           QWidget* parent) { return standIn("settingsPage", parent); },
        .help = [](QWidget* parent) { return standIn("help", parent); },
    };
}

struct WindowsFixture : ::testing::Test {
    GuiModelWorld world;
    int quits = 0;
    std::unique_ptr<AppWindows> windows;

    void makeWindows() {
        windows = std::make_unique<AppWindows>(world.sharedCoordinator(), world.mainActor(), standInViews(),
                                               [this] { ++quits; });
    }
    void SetUp() override { makeWindows(); }
    void TearDown() override { windows.reset(); }

    AppCommands& commands() { return windows->commands(); }
    MainContent& content() { return *windows->content(); }
    // Lets the windows follow what the model published.
    void settle() {
        for (int i = 0; i < 3; ++i)
            processEvents();
    }
    // Shows "main", which launches, and waits for the model.
    void launch() {
        windows->showMain();
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(waitUntil([&] { return content().libraryRoot() != nullptr; }));
        settle();
    }
    void signIn() {
        ASSERT_TRUE(world.connect());
        ASSERT_TRUE(waitUntil([&] {
            const LibraryRoot* root = content().libraryRoot();
            return root && root->model() == world.current();
        }));
        settle();
    }
};

} // namespace sorvalind::test
