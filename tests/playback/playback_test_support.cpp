#include "playback_test_support.h"

#include <fstream>
#include <sstream>

namespace sorvalind::testing {

const std::filesystem::path& audioFolder() {
    return fixtures::programFolder("sorvalind-playback-test");
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace sorvalind::testing
