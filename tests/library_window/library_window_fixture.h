#pragma once
// A library window over a real model on the loopback server, with a
// labelled stand-in for the settings page, the song table on a worker of
// its own and preferences in memory. Screenshots go to
// <build>/screenshots/library-window/.

#include "library_window/library_window.h"

#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"
#include "support/widgets/screenshots.h"

#include "kit/text_styles.h"
#include "model/app_model.h"
#include "runtime/thread_executor.h"
#include "services/in_memory_preferences.h"

#include <gtest/gtest.h>

#include <QLabel>

#include <memory>
#include <string>

namespace sorvalind::test {

class LibraryWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
    }

    void TearDown() override { window.reset(); }

    LibraryWindowParts parts() {
        LibraryWindowParts parts;
        parts.pages.songRowWorker = &workers;
        parts.pages.settingsPage = [](std::shared_ptr<AppModel>, QWidget* parent) {
            auto* label = new QLabel(QStringLiteral("Settings page"), parent);
            label->setObjectName(QStringLiteral("settingsPage"));
            return label;
        };
        parts.preferences = &preferences;
        return parts;
    }

    void show(QSize size = QSize(1180, 780), std::optional<LibraryWindowParts> given = std::nullopt) {
        window = std::make_unique<LibraryWindow>(model, world.sharedCoordinator(), given ? *given : parts());
        // The accent the main window gives its content.
        window->setPalette(accentPalette(window->palette()));
        window->resize(size);
        window->show();
        ASSERT_TRUE(
            waitUntil([&] { return !model->playlists().value().empty() && !model->loading().value(); }));
        settle();
    }

    // Lets the window follow what the model published.
    void settle() {
        for (int i = 0; i < 4; ++i)
            processEvents();
    }

    bool loaded(const std::string& route) {
        return waitUntil([&] {
            return !model->loading().value() && model->loadedSongRoute() == std::optional<std::string>(route);
        });
    }

    std::size_t requests(const std::string& method) {
        std::size_t count = 0;
        for (const auto& request : world.server().requests())
            count += request.restMethod == method;
        return count;
    }

    void screenshot(QWidget& widget, const char* name) {
        EXPECT_FALSE(
            saveScreenshot(widget, QStringLiteral("library-window"), QString::fromUtf8(name)).isEmpty())
            << name;
    }

    GuiModelWorld world{
        {.artists = 2, .albumsPerArtist = 2, .songsPerAlbum = 3, .playlists = 3, .songsPerPlaylist = 3}};
    WorkerPool workers{2, "library-window-test"};
    InMemoryPreferences preferences;
    std::shared_ptr<AppModel> model;
    std::unique_ptr<LibraryWindow> window;
};

} // namespace sorvalind::test
