#include "shell/quit_controller.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace sorvalind {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitController::QuitController() = default;

QuitController::~QuitController() = default;

void QuitController::setCoordinator(std::weak_ptr<AppCoordinator> coordinator, Executor& mainActor) {
    coordinator_ = std::move(coordinator);
    mainActor_ = &mainActor;
}

void QuitController::addCleanup(std::function<void()> cleanup) {
    cleanups_.push_back(std::move(cleanup));
}

void QuitController::handleSignals() {
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    signals_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(signals_.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        quit();
    });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void QuitController::quit() {
    if (quitting_) return;
    quitting_ = true;
    QTimer::singleShot(shutdownBound, this, [this] { finish(); });
    const auto coordinator = coordinator_.lock();
    const auto model = coordinator ? coordinator->model().value() : nullptr;
    if (!model || !mainActor_) {
        QTimer::singleShot(0, this, [this] { finish(); });
        return;
    }
    // The model's shutdown saves the queue and position and the download
    // list; the process ends when it has, or at the bound.
    QPointer<QuitController> self(this);
    model->shutdown().whenFinished(*mainActor_, [self](const Outcome<void>&) {
        if (self) self->finish();
    });
}

void QuitController::finish() {
    for (auto& cleanup : cleanups_)
        cleanup();
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

} // namespace sorvalind
