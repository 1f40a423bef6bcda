#pragma once
// The ordered chain of saves of the play queue and position: each save waits
// until the one requested before it has ended, then writes through `write`
// on the writer executor, so saves reach the store strictly in request order
// with the values of the moment they were requested. The queue's text is
// made on the writer too, from what the caller captured: a long queue takes
// a while to encode. A failed encoding or write is dropped: the next save
// carries newer values.
//
// Main actor only (the executor given): save() and last(). `write` runs on
// `writer`; both executors must accept posts until last() has ended.
// Nothing here throws but std::bad_alloc.

#include "runtime/executor.h"
#include "runtime/task_handle.h"

#include <functional>
#include <optional>
#include <string>

namespace sorvalind {

class PlaybackSaves {
public:
    // Writes the queue's JSON text when given, then the position.
    using Write = std::function<void(const std::optional<std::string>& queueJSON, double position)>;
    // Makes the queue's JSON text; empty when this save leaves the queue.
    using QueueText = std::function<std::string()>;

    PlaybackSaves(Executor& mainActor, Executor& writer, Write write)
        : mainActor_(mainActor), writer_(writer), write_(std::move(write)) {}

    void save(QueueText queueText, double position);
    // The newest save; it ends after every earlier one.
    const TaskHandle& last() const noexcept { return last_; }

private:
    Executor& mainActor_;
    Executor& writer_;
    Write write_;
    TaskHandle last_;
};

// A stored position as a number: the decimal text written for it (any
// floating-point text reads, as the platform's number parser reads it);
// none for anything else, NaN included.
std::optional<double> parsePosition(const std::string& text) noexcept;

// A position brought back into the current song: at least 0 and at most
// its duration, where an unknown duration counts as 0.
double clampPosition(double seconds, std::optional<double> duration) noexcept;

} // namespace sorvalind
