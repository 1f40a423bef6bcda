#include "model/artwork_folder.h"

#include "platform/crypto/digest.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sorvalind {
namespace {

// An open descriptor, closed when it goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return fd_; }
    // Closes now, reporting whether the close (the last write-back) worked.
    bool close() noexcept {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool writeAll(int fd, std::span<const std::uint8_t> bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::filesystem::path ArtworkFolder::fileFor(const std::string& id) const {
    return root_ / sha256Hex(id);
}

ArtworkFolder::Bytes ArtworkFolder::read(const std::string& id, std::size_t maxBytes,
                                         const Validator& valid) const {
    const std::filesystem::path path = fileFor(id);
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return nullptr;

    // One byte past the limit tells a file that is too long.
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(maxBytes + 1);
    std::size_t filled = 0;
    while (filled < bytes->size()) {
        const ssize_t got = ::read(file.get(), bytes->data() + filled, bytes->size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return nullptr; // unreadable: a miss, the file stays
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes->resize(filled);
    if (filled > maxBytes || !valid(*bytes)) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        return nullptr;
    }
    bytes->shrink_to_fit();
    return bytes;
}

bool ArtworkFolder::write(const std::string& id, std::span<const std::uint8_t> bytes) const {
    std::error_code error;
    std::filesystem::create_directories(root_, error);
    if (error) return false;

    const std::filesystem::path target = fileFor(id);
    std::filesystem::path part = target;
    try {
        part += "." + randomHex(8) + ".part";
    } catch (const CryptoError&) {
        return false;
    }
    FileDescriptor file(::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0) return false;
    const bool written = writeAll(file.get(), bytes) && file.close();
    if (written) std::filesystem::rename(part, target, error);
    if (!written || error) {
        std::filesystem::remove(part, error);
        return false;
    }
    return true;
}

} // namespace sorvalind
