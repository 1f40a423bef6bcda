#pragma once
// The one QApplication of a shell test program, on the offscreen platform,
// made on first use and kept until the process ends, as the program keeps
// its own: the session bus and the platform plugin are torn down with the
// process, never under a live desktop environment. Test thread only.

#include <QApplication>

#include <cstdlib>

namespace sorvalind::test {

inline QApplication& offscreenApplication() {
    // A program that registers the shared offscreen application has made it
    // before any test runs; a second one would take over the platform.
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static QApplication* application = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_shell";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *application;
}

} // namespace sorvalind::test
