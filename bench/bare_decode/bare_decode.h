#pragma once
// Bare decode loops: libFLAC, FFmpeg or libmpg123 decoding plus libswresample
// to 48 kHz stereo float, without any layer of ours. The benchmarks measure
// our decoders and the pipeline against them as their floor. Also the songs'
// cache folder of the build tree. One thread per call.

#include "audio/chunk_source.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind::bench {

inline constexpr int outputRate = 48000;

// Each returns the number of 48 kHz frames it made.
std::size_t bareFlac(const std::filesystem::path& file);
std::size_t bareFFmpeg(const std::filesystem::path& file);
std::size_t bareMpg123(const std::filesystem::path& file);

// A file handed out in chunks of 16 KiB, as a stream body would.
struct FileChunks : ChunkSource {
    std::ifstream in;
    explicit FileChunks(const std::filesystem::path& file) : in(file, std::ios::binary) {}
    std::optional<std::vector<std::byte>> next() override {
        std::vector<std::byte> chunk(16384);
        in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        chunk.resize(static_cast<std::size_t>(in.gcount()));
        if (chunk.empty()) return std::nullopt;
        return chunk;
    }
    void cancel() noexcept override {}
};

// The file `name` in `folder`, made by `make` the first time (its leftovers
// named "*-source*" removed).
std::filesystem::path cached(const std::filesystem::path& folder, const std::string& name,
                             const std::function<std::filesystem::path()>& make);

} // namespace sorvalind::bench
