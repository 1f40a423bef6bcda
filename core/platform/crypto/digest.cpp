#include "platform/crypto/digest.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <fstream>
#include <memory>
#include <vector>

namespace sorvalind {
namespace {

struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const noexcept { EVP_MD_CTX_free(ctx); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

MdCtx newContext(const EVP_MD* md) {
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1)
        throw CryptoError("The digest could not be started.");
    return ctx;
}

std::string finishHex(EVP_MD_CTX* ctx) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx, out, &size) != 1) throw CryptoError("The digest could not be finished.");
    return hexText(out, size);
}

std::string digestHex(const EVP_MD* md, std::string_view bytes) {
    MdCtx ctx = newContext(md);
    if (EVP_DigestUpdate(ctx.get(), bytes.data(), bytes.size()) != 1)
        throw CryptoError("The digest could not be computed.");
    return finishHex(ctx.get());
}

} // namespace

std::string hexText(const std::uint8_t* data, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0f]);
    }
    return text;
}

std::string md5Hex(std::string_view bytes) {
    return digestHex(EVP_md5(), bytes);
}

std::string sha256Hex(std::string_view bytes) {
    return digestHex(EVP_sha256(), bytes);
}

std::array<std::uint8_t, 32> sha256File(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CryptoError("The file " + path.string() + " could not be read.");
    MdCtx ctx = newContext(EVP_sha256());
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        std::streamsize got = in.gcount();
        if (got > 0 && EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<std::size_t>(got)) != 1)
            throw CryptoError("The digest could not be computed.");
    }
    if (in.bad()) throw CryptoError("The file " + path.string() + " could not be read.");
    std::array<std::uint8_t, 32> out{};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), out.data(), &size) != 1 || size != out.size())
        throw CryptoError("The digest could not be finished.");
    return out;
}

std::string sha256FileHex(const std::filesystem::path& path) {
    auto digest = sha256File(path);
    return hexText(digest.data(), digest.size());
}

std::string randomHex(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    if (count > 0 && RAND_bytes(bytes.data(), static_cast<int>(count)) != 1)
        throw CryptoError("No random bytes are available.");
    return hexText(bytes.data(), bytes.size());
}

std::string randomUUID() {
    std::uint8_t b[16];
    if (RAND_bytes(b, sizeof b) != 1) throw CryptoError("No random bytes are available.");
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3f) | 0x80);
    std::string hex = hexText(b, sizeof b);
    for (char& c : hex)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) +
           "-" + hex.substr(20);
}

bool isUUID(std::string_view text) noexcept {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash) {
            if (c != '-') return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

} // namespace sorvalind
