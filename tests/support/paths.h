#pragma once
// Where tests find the shared reference data and make their scratch files.
// Any thread.

#include <filesystem>
#include <optional>
#include <string>

namespace sorvalind::test {

// The folder of real server responses beside the checkout, or none when this
// checkout has no such folder (tests that need it skip then).
std::optional<std::filesystem::path> sharedFixtures();

// Reads a whole file; throws std::runtime_error when it cannot.
std::string readFile(const std::filesystem::path& path);

// A fresh empty folder under the system temporary folder, removed again when
// the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace sorvalind::test
