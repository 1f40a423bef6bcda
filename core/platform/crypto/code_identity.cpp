#include "platform/crypto/code_identity.h"

#include "platform/crypto/digest.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>

#include <unistd.h>

namespace sorvalind {
namespace {

bool isDigest(const nlohmann::json& value) {
    if (!value.is_string()) return false;
    const std::string& text = value.get_ref<const std::string&>();
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

} // namespace

bool hasTrustedOwnership(const struct stat& info) noexcept {
    bool owner = info.st_uid == 0 || info.st_uid == getuid();
    return owner && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool isTrustedFile(const std::filesystem::path& file) noexcept {
    struct stat info {};
    struct stat folder {};
    if (::lstat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::filesystem::path parent = file.parent_path();
    if (parent.empty()) parent = ".";
    if (::stat(parent.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) return false;
    return hasTrustedOwnership(info) && hasTrustedOwnership(folder);
}

std::optional<TrustManifest> loadTrustManifest(const std::filesystem::path& folder) {
    std::filesystem::path path = folder / trustManifestFileName;
    if (!isTrustedFile(path)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("helper") || !isDigest(json["helper"]) ||
        !json.contains("parents") || !json["parents"].is_array())
        return std::nullopt;
    TrustManifest manifest;
    manifest.helper = json["helper"].get<std::string>();
    for (const auto& parent : json["parents"]) {
        if (!isDigest(parent)) return std::nullopt;
        manifest.parents.push_back(parent.get<std::string>());
    }
    return manifest;
}

std::optional<std::string> executableDigest(int fd) {
    // The descriptor's own entry names the very file that was opened, even
    // if its path has since been replaced.
    return executableDigest(std::filesystem::path("/proc/self/fd") / std::to_string(fd));
}

std::optional<std::string> executableDigest(const std::filesystem::path& path) {
    try {
        return sha256FileHex(path);
    } catch (const CryptoError&) {
        return std::nullopt;
    }
}

std::optional<std::filesystem::path> ownExecutable() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    return path;
}

} // namespace sorvalind
