// The MP3 stream decoder on libmpg123's feed mode: any body, cut into chunks
// of a size the input chooses, ends in audio or a failure.
#include "audio/mp3_stream_decoder.h"
#include "fuzz_input.h"

#include <exception>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvalind;
    if (size < 1) return 0;
    const std::size_t chunk = 1 + static_cast<std::size_t>(data[0]) * 64;
    try {
        MP3StreamDecoder decoder(std::make_shared<fuzz::InputChunks>(data + 1, size - 1, chunk), 48000);
        std::size_t frames = 0;
        while (auto buffer = decoder.read(4096)) {
            if ((frames += buffer->frameLength()) > fuzz::frameBudget) break;
        }
    } catch (const std::exception&) {
    }
    return 0;
}
