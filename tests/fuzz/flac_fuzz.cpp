// libFLAC decoding through FLACDecoder: any bytes end in audio or a failure.
#include "audio/flac_decoder.h"
#include "fuzz_input.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvalind;
    fuzz::InputBytes bytes(data, size);
    try {
        FLACDecoder decoder(bytes, 48000);
        std::size_t frames = 0;
        while (auto buffer = decoder.read(4096)) {
            if ((frames += buffer->frameLength()) > fuzz::frameBudget) break;
        }
        decoder.seek(0.01);
        decoder.read(4096);
    } catch (const std::exception&) {
    }
    return 0;
}
