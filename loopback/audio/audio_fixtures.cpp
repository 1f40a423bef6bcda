#include "loopback/audio/audio_fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace sorvalind::fixtures {
namespace fs = std::filesystem;

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("command failed: " + command);
}

namespace {

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

std::string sweeps(int channels) {
    std::string text;
    for (int c = 0; c < channels; ++c)
        text += " sine " + std::to_string(100 + 70 * c) + "-" + std::to_string(6000 + 900 * c);
    return text;
}

} // namespace

fs::path wav(const fs::path& folder, const std::string& name, const Tone& tone) {
    fs::path file = folder / (name + ".wav");
    const std::string layout =
        " -r " + std::to_string(tone.sampleRate) + " -c " + std::to_string(tone.channels);
    // Repeatable: the dither sox adds on the way to 16 bits is otherwise
    // seeded anew each run, and every decoder's error margins with it.
    run("sox -q -R" + layout + " -n" + layout + " -b " + std::to_string(tone.bits) + " -e signed-integer " +
        quoted(file) + " synth " + std::to_string(tone.frames) + "s" + sweeps(tone.channels) + " vol 0.7");
    return file;
}

fs::path flac(const fs::path& folder, const std::string& name, const Tone& tone) {
    fs::path source = wav(folder, name + "-source", tone);
    fs::path file = folder / (name + ".flac");
    run("flac -s -f --no-padding " + quoted(source) + " -o " + quoted(file));
    return file;
}

fs::path mp3(const fs::path& folder, const std::string& name, const Tone& tone, int kilobits) {
    fs::path source = wav(folder, name + "-source", tone);
    fs::path file = folder / (name + ".mp3");
    run("lame --quiet --cbr -b " + std::to_string(kilobits) + " " + quoted(source) + " " + quoted(file));
    return file;
}

std::vector<std::vector<float>> samples(const fs::path& wavFile) {
    fs::path raw = wavFile;
    raw += ".s32";
    run("sox -q " + quoted(wavFile) + " -t raw -e signed-integer -b 32 -L " + quoted(raw));
    std::ifstream in(raw, std::ios::binary);
    std::vector<std::int32_t> values;
    std::int32_t value = 0;
    while (in.read(reinterpret_cast<char*>(&value), sizeof value))
        values.push_back(value);
    fs::remove(raw);
    FILE* info = popen(("soxi -c " + quoted(wavFile)).c_str(), "r");
    int channels = 0;
    if (!info || std::fscanf(info, "%d", &channels) != 1 || channels < 1)
        throw std::runtime_error("soxi failed");
    pclose(info);
    std::vector<std::vector<float>> planes(static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < values.size(); ++i)
        planes[i % static_cast<std::size_t>(channels)].push_back(static_cast<float>(values[i]) /
                                                                 2147483648.0f);
    return planes;
}

fs::path temporaryFolder(const std::string& prefix) {
    std::random_device random;
    fs::path folder = fs::temp_directory_path() / (prefix + "-" + std::to_string(random()));
    fs::create_directories(folder);
    return folder;
}

const fs::path& programFolder(const std::string& prefix) {
    struct Folder {
        fs::path path;
        ~Folder() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    };
    static const Folder folder{temporaryFolder(prefix)};
    return folder.path;
}

} // namespace sorvalind::fixtures
