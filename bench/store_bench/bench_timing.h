#pragma once
// Timing and memory figures for the store benchmark: samples with their
// median and 99th percentile, and the process's peak resident set, which can
// be reset between phases. Benchmark thread only.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace sorvalind::bench {

using Clock = std::chrono::steady_clock;

// Seconds since `start`.
double secondsSince(Clock::time_point start);

class Samples {
public:
    void add(double seconds) { seconds_.push_back(seconds); }
    std::size_t count() const noexcept { return seconds_.size(); }
    double total() const;
    // The sample at the given fraction of the sorted samples (0.5: median;
    // 0.99: the 99th percentile, which is the largest sample below 100).
    double quantile(double fraction) const;
    double median() const { return quantile(0.5); }
    double p99() const { return quantile(0.99); }
    const std::vector<double>& values() const noexcept { return seconds_; }

private:
    std::vector<double> seconds_;
};

// Runs `work` until at least `minimum` samples and `budget` seconds have
// been spent, or `maximum` samples are taken; each call is one sample.
template <class Work> Samples sample(Work work, std::size_t minimum, std::size_t maximum, double budget) {
    Samples samples;
    const auto start = Clock::now();
    while (samples.count() < maximum && (samples.count() < minimum || secondsSince(start) < budget)) {
        const auto begin = Clock::now();
        work();
        samples.add(secondsSince(begin));
    }
    return samples;
}

// Peak resident set since the process started or since the last reset, in
// bytes (VmHWM); 0 when the kernel does not report it.
std::size_t peakResidentBytes();
// The resident set now, in bytes (VmRSS); 0 when the kernel does not report it.
std::size_t residentBytes();
// Starts a new peak from the current resident set (getrusage's peak too);
// false when the kernel refuses (then the peak keeps counting from the start).
bool resetPeakResident();

// "12.3 ms", "1.23 s".
std::string duration(double seconds);
// "1.23x".
std::string ratio(double value, double floor);
// "123.4 MiB".
std::string mebibytes(std::size_t bytes);

} // namespace sorvalind::bench
