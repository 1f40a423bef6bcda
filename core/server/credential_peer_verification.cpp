#include "server/credential_peer_verification.h"

#include "platform/code_identity.h"
#include "server/credential_error.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvalind {
namespace {

[[noreturn]] void refuse() {
    throw CredentialError::verification();
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) refuse();
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The value of a "Name:\t..." line of /proc/PID/status.
std::string statusField(const std::string& status, std::string_view name) {
    std::istringstream lines(status);
    std::string line;
    while (std::getline(lines, line))
        if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == ':')
            return line.substr(name.size() + 1);
    refuse();
}

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !hasTrustedOwnership(info)) refuse();
    return {info.st_dev, info.st_ino};
}

} // namespace

bool CredentialPeerVerification::loadsForeignCode(std::string_view environment) noexcept {
    static constexpr std::string_view refused[] = {"LD_PRELOAD=", "LD_AUDIT=", "LD_LIBRARY_PATH="};
    std::size_t start = 0;
    while (start < environment.size()) {
        std::size_t end = environment.find('\0', start);
        if (end == std::string_view::npos) end = environment.size();
        std::string_view entry = environment.substr(start, end - start);
        for (std::string_view name : refused)
            if (entry.substr(0, name.size()) == name) return true;
        start = end + 1;
    }
    return false;
}

void CredentialPeerVerification::verifyParent() {
    const pid_t parent = ::getppid();
    if (parent < 2) refuse();

    // The helper must itself be the program its manifest names.
    std::optional<std::filesystem::path> self = ownExecutable();
    if (!self || !isTrustedFile(*self)) refuse();
    std::optional<TrustManifest> manifest = loadTrustManifest(self->parent_path());
    std::optional<std::string> ownDigest = executableDigest(std::filesystem::path("/proc/self/exe"));
    if (!manifest || !ownDigest || *ownDigest != manifest->helper) refuse();

    const std::string proc = "/proc/" + std::to_string(parent);
    const FileIdentity before = identityOf(proc + "/exe");
    std::error_code error;
    std::filesystem::path parentPath = std::filesystem::read_symlink(proc + "/exe", error);
    if (error || !isTrustedFile(parentPath)) refuse();
    std::optional<std::string> parentDigest = executableDigest(std::filesystem::path(proc + "/exe"));
    if (!parentDigest || std::find(manifest->parents.begin(), manifest->parents.end(), *parentDigest) ==
                             manifest->parents.end())
        refuse();

    const std::string status = readAll(proc + "/status");
    std::istringstream uids(statusField(status, "Uid"));
    const uid_t own = ::getuid();
    int fields = 0;
    for (long uid; uids >> uid; ++fields)
        if (uid != static_cast<long>(own)) refuse();
    if (fields != 4) refuse();
    std::istringstream tracer(statusField(status, "TracerPid"));
    long tracerPid = -1;
    if (!(tracer >> tracerPid) || tracerPid != 0) refuse();

    if (loadsForeignCode(readAll(proc + "/environ"))) refuse();

    // The same process, still running the same file, is the one answered.
    if (identityOf(proc + "/exe") != before || ::getppid() != parent) refuse();
}

} // namespace sorvalind
