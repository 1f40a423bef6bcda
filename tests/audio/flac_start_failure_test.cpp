// libFLAC failing to make or to start its decoder (out of memory, which
// cannot be brought about here) leaves the song unplayable with the
// player's own failure, not libFLAC's status text.
#include "audio_test_support.h"

#include "errors/audio_failure.h"
#include "errors/safe_error.h"

#include <FLAC/stream_decoder.h>
#include <dlfcn.h>

#include <atomic>

namespace {

// Which libFLAC call fails while a test asks for it; the rest of the binary
// reaches libFLAC itself.
enum class Refuse { nothing, creation, start };
std::atomic<Refuse> refuse{Refuse::nothing};

template <class Function> Function* library(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" FLAC__StreamDecoder* FLAC__stream_decoder_new() {
    if (refuse == Refuse::creation) return nullptr;
    static auto* real = library<FLAC__StreamDecoder*()>("FLAC__stream_decoder_new");
    return real();
}

extern "C" FLAC__StreamDecoderInitStatus FLAC__stream_decoder_init_stream(
    FLAC__StreamDecoder* decoder, FLAC__StreamDecoderReadCallback read, FLAC__StreamDecoderSeekCallback seek,
    FLAC__StreamDecoderTellCallback tell, FLAC__StreamDecoderLengthCallback length,
    FLAC__StreamDecoderEofCallback eof, FLAC__StreamDecoderWriteCallback write,
    FLAC__StreamDecoderMetadataCallback metadata, FLAC__StreamDecoderErrorCallback error, void* client) {
    if (refuse == Refuse::start) return FLAC__STREAM_DECODER_INIT_STATUS_MEMORY_ALLOCATION_ERROR;
    static auto* real = library<FLAC__StreamDecoderInitStatus(
        FLAC__StreamDecoder*, FLAC__StreamDecoderReadCallback, FLAC__StreamDecoderSeekCallback,
        FLAC__StreamDecoderTellCallback, FLAC__StreamDecoderLengthCallback, FLAC__StreamDecoderEofCallback,
        FLAC__StreamDecoderWriteCallback, FLAC__StreamDecoderMetadataCallback,
        FLAC__StreamDecoderErrorCallback, void*)>("FLAC__stream_decoder_init_stream");
    return real(decoder, read, seek, tell, length, eof, write, metadata, error, client);
}

namespace sorvalind::testing {
namespace {

TEST(FLACStartFailure, IsAnInvalidResponse) {
    const auto bytes =
        fileBytes(fixtures::flac(audioFolder(), "start-failure", fixtures::Tone{48000, 2, 16, 4800}));
    for (Refuse which : {Refuse::creation, Refuse::start}) {
        SCOPED_TRACE(which == Refuse::creation ? "creation" : "start");
        refuse = which;
        std::exception_ptr failure;
        try {
            PCMDecoder decoder(std::make_shared<MemoryByteSource>(bytes), 48000);
        } catch (...) {
            failure = std::current_exception();
        }
        refuse = Refuse::nothing;
        ASSERT_TRUE(failure);
        try {
            std::rethrow_exception(failure);
        } catch (const AudioFailure& audio) {
            EXPECT_EQ(audio, AudioFailure::invalidResponse());
        } catch (...) {
            ADD_FAILURE() << "not an AudioFailure";
        }
        EXPECT_EQ(SafeError::message(failure), "The server returned an invalid or incomplete audio range.");
    }
    // The same bytes decode once libFLAC starts again.
    PCMDecoder decoder(std::make_shared<MemoryByteSource>(bytes), 48000);
    EXPECT_EQ(decoder.frameLength(), 4800);
}

} // namespace
} // namespace sorvalind::testing
