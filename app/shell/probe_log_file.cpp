#include "shell/probe_log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvalind {

std::optional<ProbeLogFile> ProbeLogFile::open(std::string_view path) {
    if (path.empty() || path.front() != '/') return std::nullopt;
    const std::string file(path);
    // One open that creates or truncates, so an older, longer log cannot
    // leave its tail; fchmod then tightens a file that already existed.
    const int descriptor = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0) return std::nullopt;
    ProbeLogFile log(descriptor);
    if (::fchmod(descriptor, 0600) != 0) return std::nullopt;
    return log;
}

ProbeLogFile::ProbeLogFile(ProbeLogFile&& other) noexcept : descriptor_(other.descriptor_) {
    other.descriptor_ = -1;
}

ProbeLogFile& ProbeLogFile::operator=(ProbeLogFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

ProbeLogFile::~ProbeLogFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

void ProbeLogFile::append(const std::string& line) noexcept {
    std::string data = line;
    data.push_back('\n');
    const char* next = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(descriptor_, next, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
}

} // namespace sorvalind
