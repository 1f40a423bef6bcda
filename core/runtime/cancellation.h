#pragma once
// Cancellation is std::stop_source/std::stop_token. Work that notices a
// requested stop throws CancellationError; callers treat it as a quiet end,
// not as a failure to report. Any thread.

#include <stdexcept>
#include <stop_token>

namespace sorvalind {

class CancellationError : public std::runtime_error {
public:
    CancellationError() : std::runtime_error("The operation was cancelled.") {}
};

// Throws CancellationError when a stop has been requested on `token`.
void throwIfCancelled(const std::stop_token& token);

// True when `error` holds a CancellationError; false for null or any other
// exception. Never throws.
bool isCancellation(const std::exception_ptr& error) noexcept;

} // namespace sorvalind
