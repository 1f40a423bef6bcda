#pragma once

#include <filesystem>
#include <system_error>

namespace sorvalind {

// A failed system call on a download's file, as the exception the callers
// already catch for every other file error.
[[noreturn]] inline void throwFileFailure(const std::filesystem::path& path, int code, const char* what) {
    throw std::filesystem::filesystem_error(what, path, std::error_code(code, std::generic_category()));
}

} // namespace sorvalind
