#include "shell/application.h"

#include "shell/application_windows.h"
#include "shell/demo_session.h"
#include "shell/desktop_environment.h"
#include "shell/quit_controller.h"
#include "shell/single_instance.h"
#include "shell/temporary_profile.h"
#include "shell/ui_responsiveness_probe.h"
#include "shell/verification_modes.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace sorvalind {

namespace {

constexpr const char* demoOption = "--demo";

bool hasArgument(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

} // namespace

int runApplication(int argc, char** argv) {
    // The checks run before anything of the application exists, and end the
    // process at once with their status.
    if (const int status = runVerificationModeIfRequested(argc, argv); status >= 0) {
        std::fflush(stdout);
        ::_exit(status);
    }

    const bool demo = hasArgument(argc, argv, demoOption);
    // The demo never touches the user's profile, keyring or transfers.
    std::optional<TemporaryProfile> profile;
    if (demo) profile.emplace();

    std::unique_ptr<SingleInstance> instance = SingleInstance::claim();
    if (!instance) {
        if (SingleInstance::askRunningInstance()) return 0;
        std::fprintf(stderr, "%s\n", SingleInstance::alreadyRunningLine);
        return 1;
    }

    QApplication application(argc, argv);
    // The name alone: with a display name set, Qt's X11 windows append it to
    // every title that does not already end with it ("Sorvalind Help —
    // Sorvalind"); without one, the display name falls back to this name.
    QApplication::setApplicationName(QStringLiteral("Sorvalind"));
    QGuiApplication::setDesktopFileName(QStringLiteral("sorvalind"));
    // Closing the last window leaves the application running.
    QApplication::setQuitOnLastWindowClosed(false);

    DesktopOptions options;
    options.isolatedProfile = demo;
    if (demo)
        options.mprisServiceName = QStringLiteral("%1.instance%2")
                                       .arg(QLatin1String(DesktopEnvironment::mprisServiceName))
                                       .arg(::getpid());
    DesktopEnvironment desktop(options);

    QuitController quit;
    quit.handleSignals();
    const std::shared_ptr<AppCoordinator> coordinator = desktop.makeCoordinator();
    quit.setCoordinator(coordinator, desktop.mainActor());

    std::unique_ptr<ApplicationWindows> windows =
        makeApplicationWindows(coordinator, quit, desktop.preferences());
    desktop.mpris().setRaiseHandler([&windows] { windows->showMain(); });
    desktop.mpris().setQuitHandler([&quit] { quit.quit(); });
    instance->listen([&windows] { windows->showMain(); });
    // The socket and the lock go with the process; a later launch starts at once.
    quit.addCleanup([&instance] { instance.reset(); });

    UIResponsivenessProbe::startIfConfigured();
    windows->showMain();

    std::optional<DemoSession> demoSession;
    if (demo) {
        demoSession.emplace(profile->scratch(), coordinator, desktop.mainActor());
        quit.addCleanup([&demoSession, &profile] {
            demoSession->stop();
            std::error_code ignored;
            std::filesystem::remove_all(profile->root(), ignored);
        });
    } else {
        coordinator->launch();
    }
    return application.exec();
}

} // namespace sorvalind
