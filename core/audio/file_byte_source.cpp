#include "audio/file_byte_source.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sorvalind {
namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& path) {
    throw std::filesystem::filesystem_error(what, path, std::error_code(errno, std::generic_category()));
}

} // namespace

FileByteSource::FileByteSource(const std::filesystem::path& path) : path_(path) {
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0) fail("cannot open audio file", path);
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        int saved = errno;
        ::close(descriptor_);
        errno = saved;
        fail("cannot read audio file size", path);
    }
    size_ = status.st_size;
}

FileByteSource::~FileByteSource() {
    ::close(descriptor_);
}

std::size_t FileByteSource::read(std::int64_t position, std::span<std::byte> into) {
    if (position < 0) position = 0;
    std::size_t done = 0;
    while (done < into.size()) {
        ssize_t got = ::pread(descriptor_, into.data() + done, into.size() - done,
                              static_cast<off_t>(position + static_cast<std::int64_t>(done)));
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("cannot read audio file", path_);
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace sorvalind
