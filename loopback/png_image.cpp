#include "loopback/png_image.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace sorvalind::loopback {

namespace {

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> result{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            result[n] = c;
        }
        return result;
    }();
    return table;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char byte : bytes)
        c = crcTable()[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void bigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void chunk(std::string& out, const char* type, const std::string& data) {
    bigEndian(out, static_cast<std::uint32_t>(data.size()));
    std::string typed(type, 4);
    typed += data;
    out += typed;
    bigEndian(out, crc32(typed));
}

// The zlib stream of `raw` in stored blocks of at most 65,535 bytes.
std::string storedZlib(const std::string& raw) {
    std::string out = "\x78\x01";
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - offset, 65535);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    bigEndian(out, (b << 16) | a);
    return out;
}

std::uint8_t mix(std::uint8_t from, std::uint8_t to, int step, int steps) {
    return static_cast<std::uint8_t>(from + (static_cast<int>(to) - from) * step / std::max(steps, 1));
}

} // namespace

std::string blendedPng(int side, Rgb from, Rgb to) {
    if (side < 1 || side > 1024) throw std::invalid_argument("picture side out of range");
    std::string raw;
    raw.reserve(static_cast<std::size_t>(side) * (side * 3 + 1));
    for (int y = 0; y < side; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < side; ++x) {
            const int step = x + y;
            const int steps = 2 * (side - 1);
            raw.push_back(static_cast<char>(mix(from.red, to.red, step, steps)));
            raw.push_back(static_cast<char>(mix(from.green, to.green, step, steps)));
            raw.push_back(static_cast<char>(mix(from.blue, to.blue, step, steps)));
        }
    }
    std::string header;
    bigEndian(header, static_cast<std::uint32_t>(side));
    bigEndian(header, static_cast<std::uint32_t>(side));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", storedZlib(raw));
    chunk(png, "IEND", {});
    return png;
}

} // namespace sorvalind::loopback
