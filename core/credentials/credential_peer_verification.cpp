#include "credentials/credential_peer_verification.h"

#include "errors/credential_error.h"
#include "platform/crypto/code_identity.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

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

// The value of a "Name:\t..." line of /proc/PID/status; none when absent.
std::optional<std::string_view> statusField(std::string_view status, std::string_view name) noexcept {
    std::size_t start = 0;
    while (start < status.size()) {
        std::size_t end = status.find('\n', start);
        if (end == std::string_view::npos) end = status.size();
        std::string_view line = status.substr(start, end - start);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':')
            return line.substr(name.size() + 1);
        start = end + 1;
    }
    return std::nullopt;
}

// The whitespace-separated decimal numbers of a field; none when anything
// else stands there.
std::optional<std::vector<long>> numbers(std::string_view field) {
    std::vector<long> out;
    std::size_t i = 0;
    while (true) {
        while (i < field.size() && (field[i] == ' ' || field[i] == '\t'))
            ++i;
        if (i == field.size()) return out;
        long value = 0;
        auto [end, error] = std::from_chars(field.data() + i, field.data() + field.size(), value);
        if (error != std::errc()) return std::nullopt;
        out.push_back(value);
        i = static_cast<std::size_t>(end - field.data());
        if (i < field.size() && field[i] != ' ' && field[i] != '\t') return std::nullopt;
    }
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

bool CredentialPeerVerification::isUntracedProcessOf(std::string_view status, uid_t uid) {
    std::optional<std::string_view> uidField = statusField(status, "Uid");
    std::optional<std::string_view> tracerField = statusField(status, "TracerPid");
    if (!uidField || !tracerField) return false;
    // Real, effective, saved and file-system ids must all be the user's.
    std::optional<std::vector<long>> uids = numbers(*uidField);
    if (!uids || uids->size() != 4) return false;
    for (long id : *uids)
        if (id != static_cast<long>(uid)) return false;
    std::optional<std::vector<long>> tracer = numbers(*tracerField);
    return tracer && tracer->size() == 1 && tracer->front() == 0;
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

    if (!isUntracedProcessOf(readAll(proc + "/status"), ::getuid())) refuse();

    if (loadsForeignCode(readAll(proc + "/environ"))) refuse();

    // The same process, still running the same file, is the one answered.
    if (identityOf(proc + "/exe") != before || ::getppid() != parent) refuse();
}

} // namespace sorvalind
