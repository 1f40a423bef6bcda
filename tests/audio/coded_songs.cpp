#include "coded_songs.h"

#include "audio_test_support.h"
#include "loopback/audio/audio_fixtures.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <mutex>
#include <numbers>
#include <string>

namespace sorvalind::testing {

namespace {

constexpr std::int64_t frameCodes = 1 << 20;

std::uint32_t mixed(std::uint32_t value) {
    value ^= value >> 16;
    value *= 0x7feb352dU;
    value ^= value >> 15;
    value *= 0x846ca68bU;
    value ^= value >> 16;
    return value;
}

std::int32_t codedInteger(int song, std::int64_t frame, int channel) {
    if (channel == 0) return static_cast<std::int32_t>((song << 20 | (frame % frameCodes)) - (1 << 23));
    auto noise = mixed(static_cast<std::uint32_t>(song) * 0x9E3779B9U ^ static_cast<std::uint32_t>(frame));
    return static_cast<std::int32_t>(noise & 0xFFFFFF) - (1 << 23);
}

std::int32_t noiseInteger(int song, std::int64_t frame, int channel) {
    auto noise =
        mixed(static_cast<std::uint32_t>(frame * 2 + channel) ^ static_cast<std::uint32_t>(song) << 27);
    return static_cast<std::int32_t>(noise & 0xFFFF) / 4 - (1 << 13);
}

using SampleFunction = std::function<std::int32_t(std::int64_t, int)>;

// Little-endian samples of `bits` (16 or 24), two channels interleaved.
std::string interleaved(int bits, std::int64_t frames, const SampleFunction& sample) {
    const int bytes = bits / 8;
    std::string data;
    data.reserve(static_cast<std::size_t>(frames * 2 * bytes));
    for (std::int64_t frame = 0; frame < frames; ++frame)
        for (int channel = 0; channel < 2; ++channel) {
            auto value = static_cast<std::uint32_t>(sample(frame, channel));
            for (int b = 0; b < bytes; ++b)
                data.push_back(static_cast<char>(value >> (8 * b)));
        }
    return data;
}

// A 16-bit PCM WAV file, two channels.
void writeWav(const std::filesystem::path& path, int rate, std::int64_t frames,
              const SampleFunction& sample) {
    const int bits = 16, bytes = 2;
    std::string data = interleaved(bits, frames, sample);
    auto little = [](std::uint32_t value, int size) {
        std::string text;
        for (int b = 0; b < size; ++b)
            text.push_back(static_cast<char>(value >> (8 * b)));
        return text;
    };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF" << little(static_cast<std::uint32_t>(36 + data.size()), 4) << "WAVEfmt " << little(16, 4)
        << little(1, 2) << little(2, 2) << little(static_cast<std::uint32_t>(rate), 4)
        << little(static_cast<std::uint32_t>(rate * 2 * bytes), 4)
        << little(static_cast<std::uint32_t>(2 * bytes), 2) << little(static_cast<std::uint32_t>(bits), 2)
        << "data" << little(static_cast<std::uint32_t>(data.size()), 4) << data;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Makes the file once per program (tests of one program may run it from
// several threads).
std::filesystem::path once(const std::string& name,
                           const std::function<void(const std::filesystem::path&)>& make) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    auto path = audioFolder() / name;
    if (!std::filesystem::exists(path)) make(path);
    return path;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// A 24-bit FLAC file, two channels, encoded by the flac tool from raw samples
// (a song of no frames included).
void writeFlac(const std::filesystem::path& path, int rate, std::int64_t frames,
               const SampleFunction& sample) {
    auto raw = std::filesystem::path(path).replace_extension(".raw");
    {
        std::ofstream out(raw, std::ios::binary);
        out << interleaved(24, frames, sample);
        if (!out) throw std::runtime_error("cannot write " + raw.string());
    }
    fixtures::run(
        "flac -s -f --no-padding --force-raw-format --endian=little --sign=signed --channels=2 --bps=24 "
        "--sample-rate=" +
        std::to_string(rate) + " " + quoted(raw) + " -o " + quoted(path));
    std::filesystem::remove(raw);
}

} // namespace

float codedSample(int song, std::int64_t frame, int channel) {
    return static_cast<float>(codedInteger(song, frame, channel)) / static_cast<float>(1 << 23);
}

PCMBuffer codedFrames(int song, std::int64_t from, std::int64_t to) {
    PCMBuffer buffer;
    for (int channel = 0; channel < 2; ++channel)
        for (std::int64_t frame = from; frame < to; ++frame)
            buffer.channels[static_cast<std::size_t>(channel)].push_back(codedSample(song, frame, channel));
    return buffer;
}

std::optional<std::pair<int, std::int64_t>> codedOrigin(float left) {
    double scaled = static_cast<double>(left) * (1 << 23);
    if (scaled != std::floor(scaled) || left == 0.0f) return std::nullopt;
    auto code = static_cast<std::int64_t>(scaled) + (1 << 23);
    return std::pair<int, std::int64_t>(static_cast<int>(code >> 20), code % frameCodes);
}

std::filesystem::path codedFlac(int song, std::int64_t frames) {
    return once(
        "coded-" + std::to_string(song) + "-" + std::to_string(frames) + ".flac", [&](const auto& path) {
            writeFlac(path, 48000, frames,
                      [song](std::int64_t frame, int channel) { return codedInteger(song, frame, channel); });
        });
}

std::filesystem::path emptyWav(int song) {
    return once("empty-" + std::to_string(song) + ".wav",
                [](const auto& path) { writeWav(path, 48000, 0, [](std::int64_t, int) { return 0; }); });
}

float noiseSample(int song, std::int64_t frame, int channel) {
    return static_cast<float>(noiseInteger(song, frame, channel)) / 32768.0f;
}

std::filesystem::path noiseMp3(int song, std::int64_t frames) {
    return once(
        "noise-" + std::to_string(song) + "-" + std::to_string(frames) + ".mp3", [&](const auto& path) {
            auto wav = std::filesystem::path(path).replace_extension(".wav");
            writeWav(wav, 48000, frames,
                     [song](std::int64_t frame, int channel) { return noiseInteger(song, frame, channel); });
            fixtures::run("lame --quiet --cbr -b 320 " + quoted(wav) + " " + quoted(path));
            std::filesystem::remove(wav);
        });
}

std::filesystem::path sineFlac44100(std::int64_t frames) {
    return once("sine-" + std::to_string(frames) + ".flac", [&](const auto& path) {
        writeFlac(path, 44100, frames, [](std::int64_t frame, int) {
            double value =
                0.5 * std::sin(2 * std::numbers::pi * 441.0 * static_cast<double>(frame) / 44100.0);
            return static_cast<std::int32_t>(std::lround(value * (1 << 23)));
        });
    });
}

} // namespace sorvalind::testing
