#pragma once
// The shell's forms over a real coordinator: the model fixture's loopback
// server, store and manual main actor, with Qt's events handled while the
// main actor is driven, so that views re-render as they would in the
// application. Screenshots go to <build>/screenshots/shell/.

#include "app_model/coordinator_fixture.h"
#include "support/widgets/screenshots.h"

#include <QApplication>
#include <QWidget>

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

    static void screenshot(QWidget& widget, const char* name) {
        EXPECT_FALSE(saveScreenshot(widget, QStringLiteral("shell"), QString::fromUtf8(name)).isEmpty())
            << name;
    }
};

} // namespace sorvalind::test
