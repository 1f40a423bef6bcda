#include "playback/playback_saves.h"

#include "runtime/async_call.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace sorvalind {

void PlaybackSaves::save(QueueText queueText, double position) {
    auto source = std::make_shared<TaskSource>();
    const TaskHandle previous = last_;
    last_ = source->handle();
    previous.whenFinished(mainActor_,
                          [&writer = writer_, &mainActor = mainActor_, write = write_, source,
                           queueText = std::move(queueText), position](const Outcome<void>&) mutable {
                              runOn(
                                  writer, mainActor,
                                  [write = std::move(write), queueText = std::move(queueText), position] {
                                      try {
                                          std::optional<std::string> queueJSON;
                                          if (queueText) queueJSON = queueText();
                                          write(queueJSON, position);
                                      } catch (...) {
                                          // Dropped: the next save tries again with newer values.
                                      }
                                  },
                                  [source](Outcome<void>) { source->finish(Outcome<void>::success()); });
                          });
}

std::optional<double> parsePosition(const std::string& text) noexcept {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin; // the platform's parser takes a sign either way
    double value = 0;
    auto [stop, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || stop != end || std::isnan(value)) return std::nullopt;
    return value;
}

double clampPosition(double seconds, std::optional<double> duration) noexcept {
    const double upper = duration && std::isfinite(*duration) ? std::max(*duration, 0.0) : 0.0;
    return std::clamp(seconds, 0.0, upper);
}

} // namespace sorvalind
