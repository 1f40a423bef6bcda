// Cutting an MP3 file at a whole second, as a server that starts a transcode
// at an offset sends it.
#include "loopback/fake_subsonic_server.h"

#include <array>
#include <cstdint>

namespace sorvalind::loopback {

namespace {

struct FrameHeader {
    std::size_t length = 0;
    int sampleRate = 0;
    int samples = 0;
};

// The layer 3 frame header at `at`, if there is one.
std::optional<FrameHeader> frameAt(const std::string& file, std::size_t at) {
    if (at + 4 > file.size()) return std::nullopt;
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(file[at + i]); };
    if (byte(0) != 0xFF || (byte(1) & 0xE0) != 0xE0) return std::nullopt;
    int version = (byte(1) >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    int layer = (byte(1) >> 1) & 3;   // 1: layer 3
    int bitrateIndex = byte(2) >> 4;
    int rateIndex = (byte(2) >> 2) & 3;
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    static constexpr std::array<int, 15> mpeg1 = {0,   32,  40,  48,  56,  64,  80, 96,
                                                  112, 128, 160, 192, 224, 256, 320};
    static constexpr std::array<int, 15> mpeg2 = {0,  8,  16, 24,  32,  40,  48, 56,
                                                  64, 80, 96, 112, 128, 144, 160};
    static constexpr std::array<int, 3> rates = {44100, 48000, 32000};
    FrameHeader header;
    header.sampleRate = rates[static_cast<std::size_t>(rateIndex)] >> (version == 3   ? 0
                                                                       : version == 2 ? 1
                                                                                      : 2);
    int kilobits = (version == 3 ? mpeg1 : mpeg2)[static_cast<std::size_t>(bitrateIndex)];
    int factor = version == 3 ? 144 : 72;
    header.length =
        static_cast<std::size_t>(factor * kilobits * 1000 / header.sampleRate + ((byte(2) >> 1) & 1));
    header.samples = version == 3 ? 1152 : 576;
    return header;
}

bool isInformationFrame(const std::string& file, std::size_t at, std::size_t length) {
    std::string_view frame(file.data() + at, std::min(length, file.size() - at));
    return frame.find("Xing") != std::string_view::npos || frame.find("Info") != std::string_view::npos;
}

} // namespace

std::string mp3From(const std::string& file, int seconds) {
    if (seconds <= 0) return file;
    std::size_t at = 0;
    if (file.size() >= 10 && file.compare(0, 3, "ID3") == 0) {
        auto syncsafe = [&](std::size_t i) { return static_cast<std::size_t>(file[i] & 0x7F); };
        at = 10 + (syncsafe(6) << 21 | syncsafe(7) << 14 | syncsafe(8) << 7 | syncsafe(9));
        if (file[5] & 0x10) at += 10;
    }
    std::string cut;
    std::int64_t samples = 0;
    bool first = true;
    while (std::optional<FrameHeader> header = frameAt(file, at)) {
        bool information = first && isInformationFrame(file, at, header->length);
        first = false;
        if (!information) {
            if (samples >= static_cast<std::int64_t>(seconds) * header->sampleRate)
                cut.append(file, at, header->length);
            samples += header->samples;
        }
        at += header->length;
    }
    return cut;
}

} // namespace sorvalind::loopback
