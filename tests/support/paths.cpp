#include "support/paths.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace sorvalind::test {

std::optional<std::filesystem::path> sharedFixtures() {
    std::filesystem::path dir = SORVALIND_SHARED_FIXTURES;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return dir;
    return std::nullopt;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorvalind-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

} // namespace sorvalind::test
