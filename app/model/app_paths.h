#pragma once
// Where the application keeps its files: the per-user data folder (the
// servers' libraries, downloads and cover art), the per-user cache folder and
// the temporary folder.
// The desktop backend reads the XDG base folders; tests point both at a
// temporary folder. A backend that cannot form a folder answers an empty
// path, which the model refuses rather than writing relative to the working
// directory. Any thread; nothing here throws.

#include <filesystem>
#include <system_error>

namespace sorvalind {

class AppPaths {
public:
    virtual ~AppPaths() = default;
    // The folder under which "Sorvalind/<server key>" lives.
    virtual std::filesystem::path applicationSupport() const = 0;
    virtual std::filesystem::path caches() const = 0;
    // The system's temporary folder ($TMPDIR, else /tmp).
    virtual std::filesystem::path temporary() const {
        std::error_code unknown;
        const auto folder = std::filesystem::temp_directory_path(unknown);
        return unknown ? std::filesystem::path() : folder;
    }
};

} // namespace sorvalind
