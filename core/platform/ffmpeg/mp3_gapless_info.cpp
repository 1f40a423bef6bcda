#include "platform/ffmpeg/mp3_gapless_info.h"

#include <array>
#include <cstring>

namespace sorvalind {
namespace {

// Enough for a first frame's header, side information, the tag and its
// optional fields (frames, bytes, a 100-byte table, quality) and the
// encoder's extension.
constexpr std::size_t headBytes = 4 + 2 + 32 + 8 + 4 + 4 + 100 + 4 + 24;

std::uint32_t bigEndian(const std::uint8_t* at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | at[i];
    return value;
}

std::size_t readAt(ByteSource& source, std::int64_t position, std::uint8_t* into, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        std::size_t n = source.read(position + static_cast<std::int64_t>(got),
                                    std::span(reinterpret_cast<std::byte*>(into + got), count - got));
        if (n == 0) break;
        got += n;
    }
    return got;
}

// Where the first frame starts: after an ID3v2 tag, whose size is stored in
// 7-bit bytes and grows by a footer when its flag says so.
std::int64_t firstFrameOffset(ByteSource& source) {
    std::array<std::uint8_t, 10> id3{};
    if (readAt(source, 0, id3.data(), id3.size()) < id3.size() || std::memcmp(id3.data(), "ID3", 3) != 0)
        return 0;
    std::int64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (id3[static_cast<std::size_t>(i)] & 0x80) return 0;
        size = size << 7 | id3[static_cast<std::size_t>(i)];
    }
    return 10 + size + ((id3[5] & 0x10) ? 10 : 0);
}

} // namespace

std::optional<MP3GaplessInfo> readMP3GaplessInfo(ByteSource& source) {
    const std::int64_t start = firstFrameOffset(source);
    std::array<std::uint8_t, headBytes> head{};
    const std::size_t got = readAt(source, start, head.data(), head.size());
    if (got < 4 || head[0] != 0xFF || (head[1] & 0xE0) != 0xE0) return std::nullopt;
    const int version = (head[1] >> 3) & 3; // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
    const int layer = (head[1] >> 1) & 3;   // 1: layer III
    if (version == 1 || layer != 1 || ((head[2] >> 2) & 3) == 3) return std::nullopt;
    const bool mono = ((head[3] >> 6) & 3) == 3;
    const bool mpeg1 = version == 3;
    const std::size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);

    std::size_t at = 4 + sideInfo;
    auto tagAt = [&](std::size_t offset) {
        return offset + 8 <= got &&
               (std::memcmp(&head[offset], "Xing", 4) == 0 || std::memcmp(&head[offset], "Info", 4) == 0);
    };
    // An encoder may protect the frame with a checksum, which sits before the
    // side information.
    if (!tagAt(at) && !(head[1] & 1) && tagAt(at + 2)) at += 2;
    if (!tagAt(at)) return std::nullopt;
    const std::uint32_t flags = bigEndian(&head[at + 4], 4);
    at += 8;
    MP3GaplessInfo info;
    info.samplesPerFrame = mpeg1 ? 1152 : 576;
    if (flags & 1) {
        if (at + 4 > got) return std::nullopt;
        info.frames = bigEndian(&head[at], 4);
        at += 4;
    }
    if (flags & 2) at += 4;
    if (flags & 4) at += 100;
    if (flags & 8) at += 4;
    if (info.frames == 0 || at + 24 > got) return std::nullopt;
    const std::uint8_t* encoder = &head[at];
    if (std::memcmp(encoder, "LAME", 4) != 0 && std::memcmp(encoder, "Lavf", 4) != 0 &&
        std::memcmp(encoder, "Lavc", 4) != 0)
        return std::nullopt;
    const std::uint32_t delays = bigEndian(&head[at + 21], 3);
    info.delay = static_cast<int>(delays >> 12);
    info.padding = static_cast<int>(delays & 0xFFF);
    if (info.length() <= 0) return std::nullopt;
    return info;
}

} // namespace sorvalind
