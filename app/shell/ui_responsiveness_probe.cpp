#include "shell/ui_responsiveness_probe.h"

#include <QGuiApplication>
#include <QInputEvent>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <cstdlib>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace sorvalind {

namespace {

UIResponsivenessProbe* instance = nullptr;

constexpr long tickNanoseconds = 1'000'000'000L / 120;

} // namespace

UIResponsivenessProbe* UIResponsivenessProbe::startIfConfigured() {
    if (instance) return instance;
    const char* path = std::getenv(ProbeLogFile::variable);
    if (!path) return nullptr;
    std::optional<ProbeLogFile> log = ProbeLogFile::open(path);
    if (!log) return nullptr;
    // Owned by the application object: it lives as long as the event loop.
    instance = new UIResponsivenessProbe(std::move(*log));
    instance->setParent(QCoreApplication::instance());
    return instance;
}

UIResponsivenessProbe::UIResponsivenessProbe(ProbeLogFile log)
    : writer_(std::make_shared<SerialQueue>("nl.pwelkin.sorvalind.ui-probe", ThreadPriority::yielding)),
      log_(std::make_shared<ProbeLogFile>(std::move(log))),
      sampler_(uptime(), [this](std::string line) { emitLine(std::move(line)); }) {
    emitLine(ProbeSampler::line("started", uptime()));
    timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timer_ >= 0) {
        itimerspec spec{};
        spec.it_interval.tv_nsec = tickNanoseconds;
        spec.it_value.tv_nsec = tickNanoseconds;
        ::timerfd_settime(timer_, 0, &spec, nullptr);
        notifier_ = std::make_unique<QSocketNotifier>(timer_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { tick(); });
    }
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(
            application, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    emitLine(ProbeSampler::line("NSApplicationDidBecomeActiveNotification", uptime()));
                else if (state == Qt::ApplicationInactive)
                    emitLine(ProbeSampler::line("NSApplicationDidResignActiveNotification", uptime()));
            });
    }
}

UIResponsivenessProbe::~UIResponsivenessProbe() {
    if (instance == this) instance = nullptr;
    notifier_.reset();
    if (timer_ >= 0) ::close(timer_);
    // The lines already handed to the writer still reach the file.
    writer_->shutdown();
}

double UIResponsivenessProbe::uptime() noexcept {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double UIResponsivenessProbe::latencyMilliseconds(std::uint32_t nowMs, std::uint32_t eventMs) noexcept {
    const std::uint32_t difference = nowMs - eventMs; // modulo 2^32
    return difference > 0x80000000u ? 0.0 : static_cast<double>(difference);
}

bool UIResponsivenessProbe::sampling() {
    if (QGuiApplication::applicationState() != Qt::ApplicationActive) return false;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible() && !(window->windowStates() & Qt::WindowMinimized)) return true;
    return false;
}

void UIResponsivenessProbe::emitLine(std::string line) {
    writer_->post([log = log_, line = std::move(line)] { log->append(line); });
}

void UIResponsivenessProbe::tick() {
    std::uint64_t expirations = 0;
    if (::read(timer_, &expirations, sizeof expirations) < 0) return;
    sample();
}

void UIResponsivenessProbe::sample() {
    sampler_.tick(uptime(), sampling());
}

bool UIResponsivenessProbe::eventFilter(QObject* watched, QEvent* event) {
    // Each event reaches its QWindow once, then the widgets under it: count
    // it at the window only.
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window) return false;
    const char* kind = nullptr;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) kind = "click";
        break;
    case QEvent::KeyPress:
        kind = "key";
        break;
    case QEvent::Wheel:
        kind = "scroll";
        break;
    case QEvent::WindowStateChange: {
        const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
        const bool is = window->windowStates() & Qt::WindowMinimized;
        if (was != is)
            emitLine(ProbeSampler::line(is ? "NSWindowDidMiniaturizeNotification"
                                           : "NSWindowDidDeminiaturizeNotification",
                                        uptime()));
        return false;
    }
    default:
        return false;
    }
    if (!kind) return false;
    const double now = uptime();
    const auto nowMs = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now * 1000));
    const auto eventMs = static_cast<std::uint32_t>(static_cast<QInputEvent*>(event)->timestamp());
    emitLine(ProbeSampler::line("input", now,
                                {{"kind", std::string("\"") + kind + "\""},
                                 {"latency_ms", ProbeSampler::number(latencyMilliseconds(nowMs, eventMs))}}));
    return false;
}

} // namespace sorvalind
