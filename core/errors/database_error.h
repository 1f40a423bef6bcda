#pragma once
// The local store's one failure type: SQLite's result code and message, or
// one of the store's own fixed texts (code 0). The message is for logs and
// tests only; the user sees SafeError::message's fixed text instead.
// Immutable value; any thread.

#include <stdexcept>
#include <string>

namespace sorvalind {

class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(std::string message, int code = 0)
        : std::runtime_error("Local library: " + message), message_(std::move(message)), code_(code) {}

    const std::string& message() const noexcept { return message_; }
    // SQLite's (extended) result code; 0 for the store's own texts.
    int code() const noexcept { return code_; }
    // "Local library: " followed by the message; what() gives the same.
    std::string errorDescription() const { return what(); }

private:
    std::string message_;
    int code_;
};

} // namespace sorvalind
