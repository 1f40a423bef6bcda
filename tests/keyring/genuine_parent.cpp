#include "keyring/genuine_parent.h"

#include "credentials/credential_helper_process.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace sorvalind::test {

using namespace std::chrono_literals;

std::string throughGenuineParent(const std::string& request) {
    std::filesystem::path parent =
        std::filesystem::path(SORVALIND_BUILD_DIR) / "bin/sorvalind-credential-test-parent";
    int fd = ::open(parent.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("missing test parent");
    std::vector<std::string> environment{"PATH=/usr/bin:/bin"};
    if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        environment.push_back(std::string("DBUS_SESSION_BUS_ADDRESS=") + bus);
    HelperProcessResult result;
    try {
        result = runHelperProcess(fd, {parent.string()}, environment, request, {1 << 20, 60s});
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return result.output;
}

} // namespace sorvalind::test
