// Writes the fuzz targets' seed inputs: small files of every format each
// target reads, made by the tests' audio generator.
#include "loopback/audio/audio_fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using sorvalind::fixtures::Tone;
    namespace fx = sorvalind::fixtures;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    av_log_set_level(AV_LOG_QUIET);
    const fs::path root = argv[1];
    const fs::path scratch = fx::temporaryFolder("sorvalind-fuzz-seeds");
    auto keep = [&](const fs::path& made, const std::string& target, const std::string& name) {
        fs::create_directories(root / target);
        fs::copy_file(made, root / target / name, fs::copy_options::overwrite_existing);
    };
    keep(fx::flac(scratch, "a", Tone{48000, 2, 16, 4800}), "flac", "stereo16.flac");
    keep(fx::flac(scratch, "b", Tone{44100, 1, 24, 3000}), "flac", "mono24.flac");
    keep(fx::flac(scratch, "c", Tone{96000, 6, 16, 2000}), "flac", "six16.flac");
    // The stream target reads a first byte as its chunk size.
    for (auto [name, tone, kilobits] : {std::tuple{"stereo.mp3", Tone{48000, 2, 16, 6000}, 128},
                                        std::tuple{"mono.mp3", Tone{22050, 1, 16, 3000}, 32}}) {
        fs::path made = fx::mp3(scratch, "d", tone, kilobits);
        fs::create_directories(root / "mp3_stream");
        std::ifstream in(made, std::ios::binary);
        std::ofstream out(root / "mp3_stream" / name, std::ios::binary);
        out.put(static_cast<char>(7));
        out << in.rdbuf();
        keep(made, "audio_file", name);
    }
    keep(fx::wav(scratch, "e", Tone{48000, 2, 24, 2000}), "audio_file", "stereo24.wav");
    keep(fx::wav(scratch, "f", Tone{8000, 3, 16, 800}), "audio_file", "three16.wav");
    keep(fx::m4a(scratch, "g", Tone{44100, 2, 16, 5000}), "audio_file", "aac.m4a");
    keep(fx::mp2(scratch, "h", Tone{48000, 2, 16, 5000}), "audio_file", "layer2.mp2");
    fs::remove_all(scratch);
    return 0;
}
