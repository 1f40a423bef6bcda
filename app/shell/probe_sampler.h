#pragma once
// The responsiveness probe's arithmetic, apart from any timer or window: it
// takes the sampling timer's firings, keeps the intervals measured while
// sampling counts, and turns them into "stall" and "heartbeat" lines. The
// lines are JSON objects without their final line feed.
//
// Main thread only (the probe's timer); no I/O of its own.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

class ProbeSampler {
public:
    using Emit = std::function<void(std::string line)>;

    // Intervals over these count (strictly greater), in milliseconds.
    static constexpr double stallMilliseconds = 50;
    static constexpr double slowMilliseconds = 33.3;
    static constexpr double verySlowMilliseconds = 100;

    struct Heartbeat {
        std::size_t samples = 0;
        double max = 0;
        double p95 = 0;
        std::size_t over33 = 0;
        std::size_t over100 = 0;
    };

    // `start`: the uptime in seconds when the probe started.
    ProbeSampler(double start, Emit sink);

    // One firing at uptime `now`; `counting` is whether the application is
    // active with a window shown. Emits a stall for a counted interval over
    // 50 ms, and a heartbeat once a second when intervals were counted.
    void tick(double now, bool counting);

    // The heartbeat of `sorted` (ascending, not empty): p95 at index
    // min(n - 1, floor(n * 0.95)).
    static Heartbeat summarise(const std::vector<double>& sorted);

    // {"event": <event>, "uptime": <uptime>} with further fields, each an
    // already encoded JSON value.
    static std::string line(std::string_view event, double uptime,
                            const std::vector<std::pair<std::string_view, std::string>>& fields = {});
    static std::string number(double value);

private:
    Emit emit_;
    double lastTick_;
    double lastReport_;
    std::vector<double> intervals_;
    std::vector<double> sorted_;
};

} // namespace sorvalind
