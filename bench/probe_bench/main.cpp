// What the responsiveness probe adds to each firing of its timer: a timerfd
// at 1/120 s on the GUI thread's event loop, once with a callback that only
// reads the timer (the floor) and once reading it and running the probe's
// sampling (application state, window scan, interval bookkeeping, the
// heartbeat once a second). One visible window, offscreen. Goal: median and
// p99 within 10 µs of the floor's.
//   probe_bench [seconds per phase]

#include "shell/probe_log_file.h"
#include "shell/ui_responsiveness_probe.h"
#include "store_bench/bench_timing.h"
#include "support/paths.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/timerfd.h>
#include <unistd.h>

using namespace sorvalind;

namespace {

bench::Samples phase(QGuiApplication& application, double seconds, const std::function<void()>& work) {
    const int timer = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    itimerspec spec{};
    spec.it_interval.tv_nsec = 1'000'000'000L / 120;
    spec.it_value.tv_nsec = 1'000'000'000L / 120;
    ::timerfd_settime(timer, 0, &spec, nullptr);
    bench::Samples samples;
    QSocketNotifier notifier(timer, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        const auto begin = bench::Clock::now();
        std::uint64_t expirations = 0;
        if (::read(timer, &expirations, sizeof expirations) > 0) work();
        samples.add(bench::secondsSince(begin));
    });
    QTimer::singleShot(static_cast<int>(seconds * 1000), &application, &QCoreApplication::quit);
    application.exec();
    ::close(timer);
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    // A real window system when there is one (xvfb-run), so that the
    // application is active and the probe samples; offscreen otherwise.
    if (!std::getenv("DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    QWindow window;
    window.resize(400, 300);
    window.show();
    window.requestActivate();
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < 500 && !UIResponsivenessProbe::sampling())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    test::TempDir scratch;
    auto log = ProbeLogFile::open((scratch.path() / "probe.jsonl").string());
    if (!log) return 1;
    UIResponsivenessProbe probe(std::move(*log));

    // Alternating rounds, so that a busy machine weighs on both alike.
    bench::Samples floor;
    bench::Samples probed;
    for (int round = 0; round < 6; ++round) {
        const bench::Samples bare = phase(application, seconds / 6, [] {});
        for (const double sample : bare.values())
            floor.add(sample);
        const bench::Samples sampled = phase(application, seconds / 6, [&] { probe.sample(); });
        for (const double sample : sampled.values())
            probed.add(sample);
    }
    const double addedMedian = (probed.median() - floor.median()) * 1e6;
    const double addedP99 = (probed.p99() - floor.p99()) * 1e6;
    std::printf("empty timerfd callback: median %.2f µs, p99 %.2f µs over %zu firings (floor)\n",
                floor.median() * 1e6, floor.p99() * 1e6, floor.count());
    std::printf("probe tick: median %.2f µs, p99 %.2f µs over %zu firings (sampling: %s)\n",
                probed.median() * 1e6, probed.p99() * 1e6, probed.count(),
                UIResponsivenessProbe::sampling() ? "yes" : "no");
    std::printf("added: median %.2f µs, p99 %.2f µs; ratio %.2fx / %.2fx (goal <= 10 µs added) %s\n",
                addedMedian, addedP99, probed.median() / floor.median(), probed.p99() / floor.p99(),
                addedMedian <= 10 && addedP99 <= 10 ? "PASS" : "FAIL");
    return 0;
}
