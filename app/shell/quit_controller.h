#pragma once
// How the application ends, whoever asks (the Quit command, the desktop's
// MPRIS Quit, SIGTERM, SIGINT or SIGHUP through a self-pipe): it runs the
// current model's shutdown, waits for it at most 3 seconds, runs the
// clean-ups registered (the demo's server and profile), and ends the process
// with status 0 at once, without running the destructors of objects whose
// threads may still be busy.
//
// GUI thread only, but for the signal handlers it installs.

#include "model/app_coordinator.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace sorvalind {

class QuitController final : public QObject {
public:
    static constexpr std::chrono::milliseconds shutdownBound{3000};

    QuitController();
    ~QuitController() override;

    // The coordinator whose model is shut down (held weakly), and the main
    // actor that model runs on.
    void setCoordinator(std::weak_ptr<AppCoordinator> coordinator, Executor& mainActor);
    // Runs before the process ends, in the order added.
    void addCleanup(std::function<void()> cleanup);
    // Routes SIGTERM, SIGINT and SIGHUP to quit(); once per process.
    void handleSignals();

    // Starts quitting; later calls do nothing.
    void quit();
    bool isQuitting() const noexcept { return quitting_; }

private:
    [[noreturn]] void finish();

    std::weak_ptr<AppCoordinator> coordinator_;
    Executor* mainActor_ = nullptr;
    std::vector<std::function<void()>> cleanups_;
    std::unique_ptr<QSocketNotifier> signals_;
    bool quitting_ = false;
};

} // namespace sorvalind
