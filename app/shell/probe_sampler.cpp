#include "shell/probe_sampler.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace sorvalind {

ProbeSampler::ProbeSampler(double start, Emit sink)
    : emit_(std::move(sink)), lastTick_(start), lastReport_(start) {
    intervals_.reserve(256);
    sorted_.reserve(256);
}

void ProbeSampler::tick(double now, bool counting) {
    const double previous = lastTick_;
    lastTick_ = now;
    if (counting) {
        const double ms = (now - previous) * 1000;
        intervals_.push_back(ms);
        if (ms > stallMilliseconds) emit_(line("stall", now, {{"duration_ms", number(ms)}}));
    }
    if (now - lastReport_ < 1) return;
    if (!intervals_.empty()) {
        sorted_.assign(intervals_.begin(), intervals_.end());
        std::sort(sorted_.begin(), sorted_.end());
        const Heartbeat beat = summarise(sorted_);
        emit_(line("heartbeat", now,
                   {{"samples", std::to_string(beat.samples)},
                    {"max_ms", number(beat.max)},
                    {"p95_ms", number(beat.p95)},
                    {"over_33ms", std::to_string(beat.over33)},
                    {"over_100ms", std::to_string(beat.over100)}}));
    }
    intervals_.clear();
    lastReport_ = now;
}

ProbeSampler::Heartbeat ProbeSampler::summarise(const std::vector<double>& sorted) {
    Heartbeat beat;
    const std::size_t n = sorted.size();
    beat.samples = n;
    beat.max = sorted.back();
    const auto index = static_cast<std::size_t>(static_cast<double>(n) * 0.95);
    beat.p95 = sorted[std::min(n - 1, index)];
    beat.over33 = static_cast<std::size_t>(sorted.end() -
                                           std::upper_bound(sorted.begin(), sorted.end(), slowMilliseconds));
    beat.over100 = static_cast<std::size_t>(
        sorted.end() - std::upper_bound(sorted.begin(), sorted.end(), verySlowMilliseconds));
    return beat;
}

std::string ProbeSampler::number(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string ProbeSampler::line(std::string_view event, double uptime,
                               const std::vector<std::pair<std::string_view, std::string>>& fields) {
    // The event names and keys are plain ASCII words: no escaping is needed.
    std::string text = "{\"event\":\"";
    text += event;
    text += "\",\"uptime\":";
    text += number(uptime);
    for (const auto& [key, value] : fields) {
        text += ",\"";
        text += key;
        text += "\":";
        text += value;
    }
    text += '}';
    return text;
}

} // namespace sorvalind
