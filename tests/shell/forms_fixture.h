#pragma once
// The shell's forms over a real coordinator: the model fixture's loopback
// server, store and manual main actor, with Qt's events handled while the
// main actor is driven, so that views re-render as they would in the
// application. Screenshots go to <build>/screenshots/shell/.

#include "app_model/coordinator_fixture.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <filesystem>
#include <string>

namespace sorvalind::test {

struct FormsFixture : CoordinatorFixture {
    // Handles Qt's posted events and the main actor's ready tasks until both
    // are quiet.
    void settle() {
        for (int round = 0; round < 50; ++round) {
            QApplication::sendPostedEvents();
            QApplication::processEvents();
            if (main.runUntilIdle() == 0) {
                QApplication::processEvents();
                if (main.runUntilIdle() == 0) return;
            }
        }
    }
    // Drives the main actor, with Qt's events, until `done`.
    void driveUI(const std::function<bool()>& done) {
        drive([&] {
            QApplication::processEvents();
            return done();
        });
        settle();
    }

    static void screenshot(QWidget& widget, const std::string& name) {
        const std::filesystem::path folder = std::filesystem::path(SORVALIND_BUILD_DIR) / "screenshots" / "shell";
        std::filesystem::create_directories(folder);
        widget.grab().save(QString::fromStdString((folder / (name + ".png")).string()));
    }
};

} // namespace sorvalind::test
