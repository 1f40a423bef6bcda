#pragma once
// The one place where a failure becomes the sentence the user sees. Only
// fixed texts and numeric codes come out: never a URL, user name, password,
// path, server message or an error's own free-form description.
// Pure; any thread; never throws.

#include <exception>
#include <string>

namespace sorvalind {

struct SafeError {
    SafeError() = delete;

    static std::string message(std::exception_ptr error) noexcept;
    static std::string message(const std::exception& error) noexcept;
};

} // namespace sorvalind
