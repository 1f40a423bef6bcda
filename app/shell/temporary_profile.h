#pragma once
// A profile of the process's own: fresh XDG configuration, data and cache
// folders and a temporary folder under one throw-away folder, named in the
// environment so that every part of the program (settings, libraries,
// downloads, transfers, a reset) works there and never in the user's own.
// The folder goes when the profile does, and the variables are put back.
//
// Create it on the main thread before anything reads those variables (before
// QApplication and every thread). Throws std::filesystem::filesystem_error
// when the folder cannot be made.

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace sorvalind {

class TemporaryProfile {
public:
    TemporaryProfile();
    ~TemporaryProfile();
    TemporaryProfile(const TemporaryProfile&) = delete;
    TemporaryProfile& operator=(const TemporaryProfile&) = delete;

    const std::filesystem::path& root() const noexcept { return root_; }
    // A folder beside the profile's own, for whatever else the run needs.
    std::filesystem::path scratch() const { return root_ / "scratch"; }

private:
    static constexpr std::array<const char*, 4> variables = {"XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                             "XDG_CACHE_HOME", "TMPDIR"};
    std::filesystem::path root_;
    std::array<std::optional<std::string>, 4> saved_;
};

} // namespace sorvalind
