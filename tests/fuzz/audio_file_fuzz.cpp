// FFmpeg decoding through AudioFile and the conversion to the pipeline's
// format, as PCMDecoder runs them for everything but FLAC: any bytes end in
// audio or a failure.
#include "audio/pcm_decoder.h"
#include "fuzz_input.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstring>
#include <exception>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    av_log_set_level(AV_LOG_QUIET);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvalind;
    // FLAC has a fuzz target of its own.
    if (size >= 4 && std::memcmp(data, "fLaC", 4) == 0) return 0;
    try {
        PCMDecoder decoder(std::make_shared<fuzz::InputBytes>(data, size), 48000);
        std::size_t frames = 0;
        while (auto buffer = decoder.read(4096)) {
            if ((frames += buffer->frameLength()) > fuzz::frameBudget) break;
        }
        decoder.seek(decoder.duration() / 2);
        decoder.read(4096);
    } catch (const std::exception&) {
    }
    return 0;
}
