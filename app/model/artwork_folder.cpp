#include "model/artwork_folder.h"

#include "platform/crypto/digest.h"

#include <fstream>
#include <system_error>

namespace sorvalind {

std::filesystem::path ArtworkFolder::fileFor(const std::string& id) const {
    return root_ / sha256Hex(id);
}

ArtworkFolder::Bytes ArtworkFolder::read(const std::string& id, std::size_t maxBytes,
                                         const Validator& valid) const {
    const std::filesystem::path path = fileFor(id);
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return nullptr;
    const std::streamoff size = file.tellg();
    if (size < 0) return nullptr; // unreadable: a miss, the file stays

    std::error_code ignored;
    if (static_cast<std::uintmax_t>(size) > maxBytes) {
        std::filesystem::remove(path, ignored);
        return nullptr;
    }
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes->data()), size);
    if (!file) return nullptr;
    if (!valid(*bytes)) {
        std::filesystem::remove(path, ignored);
        return nullptr;
    }
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
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (file) std::filesystem::rename(part, target, error);
    if (!file || error) {
        std::filesystem::remove(part, error);
        return false;
    }
    return true;
}

} // namespace sorvalind
