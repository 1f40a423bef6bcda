#pragma once
// An opt-in diagnostic of how promptly the GUI thread serves the user: with
// SORVALIND_UI_PROBE_LOG naming an absolute path it samples the event loop
// with a 1/120-second timer (a CLOCK_MONOTONIC timerfd), logs stalls and a
// heartbeat about once a second while the application is active with a
// window shown, input with its delivery latency, and activation and
// minimise changes, as JSON lines. Writes happen on a serial queue of their
// own, so disk never blocks the GUI thread after the start.
//
// GUI thread only; startIfConfigured() once the QApplication exists. There
// is no stop: the probe lives until the process ends.

#include "probe_log_file.h"
#include "probe_sampler.h"

#include "runtime/thread_executor.h"

#include <QObject>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace sorvalind {

class UIResponsivenessProbe final : public QObject {
public:
    // Starts the probe when the variable names an absolute path that can be
    // opened; does nothing when a probe exists. Returns the probe, or null.
    static UIResponsivenessProbe* startIfConfigured();
    // The probe on `log`; public for the tests, which drive it directly.
    explicit UIResponsivenessProbe(ProbeLogFile log);
    ~UIResponsivenessProbe() override;

    // Seconds of CLOCK_MONOTONIC.
    static double uptime() noexcept;
    // The delivery latency in ms of an event stamped `eventMs` (milliseconds
    // on the same clock, wrapped at 2^32) read at `nowMs`: 0 for a stamp
    // in the future.
    static double latencyMilliseconds(std::uint32_t nowMs, std::uint32_t eventMs) noexcept;
    // Whether the application is active with a visible, not minimised window.
    static bool sampling();

    void emitLine(std::string line);
    // One timer firing: reads the timerfd, then samples.
    void tick();
    // The work of a firing at the current uptime.
    void sample();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::shared_ptr<SerialQueue> writer_;
    std::shared_ptr<ProbeLogFile> log_;
    ProbeSampler sampler_;
    int timer_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace sorvalind
