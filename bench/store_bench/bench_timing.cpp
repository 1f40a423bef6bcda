#include "store_bench/bench_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <sstream>

namespace sorvalind::bench {

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Samples::total() const {
    return std::accumulate(seconds_.begin(), seconds_.end(), 0.0);
}

double Samples::quantile(double fraction) const {
    if (seconds_.empty()) return 0;
    std::vector<double> sorted = seconds_;
    std::sort(sorted.begin(), sorted.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size()))) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

namespace {

// A size the kernel reports in /proc/self/status under `key` ("VmHWM:"), in
// bytes; 0 when it does not.
std::size_t statusBytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream fields(line.substr(key.size()));
            std::size_t kibibytes = 0;
            fields >> kibibytes;
            return kibibytes * 1024;
        }
    }
    return 0;
}

} // namespace

std::size_t peakResidentBytes() {
    return statusBytes("VmHWM:");
}

std::size_t residentBytes() {
    return statusBytes("VmRSS:");
}

bool resetPeakResident() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

std::string duration(double seconds) {
    char text[32];
    if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else if (seconds < 1)
        std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

std::string ratio(double value, double floor) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", floor > 0 ? value / floor : 0.0);
    return text;
}

std::string mebibytes(std::size_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

} // namespace sorvalind::bench
