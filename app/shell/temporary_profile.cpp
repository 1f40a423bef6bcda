#include "shell/temporary_profile.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace sorvalind {

TemporaryProfile::TemporaryProfile() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base == '/' ? base : "/tmp") + "/sorvalind-profile-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::filesystem::filesystem_error("Cannot make the profile folder", pattern,
                                                std::error_code(errno, std::generic_category()));
    root_ = pattern;
    for (const char* folder : {"config", "data", "cache", "tmp", "scratch"})
        std::filesystem::create_directories(root_ / folder);
    const std::array<std::filesystem::path, 4> folders = {root_ / "config", root_ / "data", root_ / "cache",
                                                          root_ / "tmp"};
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (const char* old = std::getenv(variables[i])) saved_[i] = old;
        ::setenv(variables[i], folders[i].c_str(), 1);
    }
}

TemporaryProfile::~TemporaryProfile() {
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (saved_[i])
            ::setenv(variables[i], saved_[i]->c_str(), 1);
        else
            ::unsetenv(variables[i]);
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

} // namespace sorvalind
