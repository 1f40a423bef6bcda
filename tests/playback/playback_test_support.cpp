#include "playback_test_support.h"

#include <fstream>
#include <sstream>

namespace sorvalind::testing {

const std::filesystem::path& audioFolder() {
    return fixtures::programFolder("sorvalind-playback-test");
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string patternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

PCMBuffer decodeAll(PCMDecoder& decoder, std::uint32_t frames) {
    PCMBuffer all;
    while (auto buffer = decoder.read(frames))
        for (int c = 0; c < 2; ++c)
            all.channels[c].insert(all.channels[c].end(), buffer->channels[c].begin(),
                                   buffer->channels[c].end());
    return all;
}

} // namespace sorvalind::testing
