#pragma once
// Message digests and random identifiers on OpenSSL's libcrypto.
// Any thread. Failures of the library itself throw CryptoError.

#include <array>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvalind {

class CryptoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lowercase hexadecimal digests of the given bytes.
std::string md5Hex(std::string_view bytes);
std::string sha256Hex(std::string_view bytes);

// The raw SHA-256 of a whole file, read in chunks; throws CryptoError when the
// file cannot be read.
std::array<std::uint8_t, 32> sha256File(const std::filesystem::path& path);
std::string sha256FileHex(const std::filesystem::path& path);

// Lowercase hexadecimal text of raw bytes.
std::string hexText(const std::uint8_t* data, std::size_t size);

// `count` bytes from the system's random source as lowercase hex.
std::string randomHex(std::size_t count);

// A random (version 4) UUID in its usual upper-case 8-4-4-4-12 form.
std::string randomUUID();

// True when the text is a UUID in 8-4-4-4-12 hexadecimal form, either case.
bool isUUID(std::string_view text) noexcept;

} // namespace sorvalind
