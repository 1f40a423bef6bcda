#pragma once
// One song turned into buffers of the pipeline's format: 32-bit float,
// deinterleaved, two channels, at the rate the caller asks for. FLAC goes
// through libFLAC, every other file format through AudioFile, and a
// transcoded MP3 stream through MP3StreamDecoder; the path is chosen once,
// when the decoder is built.
//
// Decoder queue only (one thread at a time). Throws what its path throws:
// the byte source's or body's own failure, AudioFailure, and the libraries'
// own errors when they cannot start.
//
// Buffers are made in the storage of the pool given (one of the decoder's
// own when none is); a reader that lets go of them through the pool's
// share() gives their storage back for the next ones.

#include "audio/chunk_source.h"
#include "audio/flac_decoder.h"
#include "audio/mp3_stream_decoder.h"
#include "audio/pcm_buffer_pool.h"
#include "platform/ffmpeg/audio_file.h"
#include "platform/ffmpeg/audio_source_format.h"
#include "platform/ffmpeg/byte_source.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "platform/ffmpeg/sample_converter.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace sorvalind {

class PCMDecoder {
public:
    // A downloaded song.
    PCMDecoder(const std::filesystem::path& path, double sampleRate,
               std::shared_ptr<PCMBufferPool> pool = {});
    // A song read through a byte source: FLAC when it starts with "fLaC",
    // else whatever AudioFile recognises.
    PCMDecoder(std::shared_ptr<ByteSource> reader, double sampleRate,
               std::shared_ptr<PCMBufferPool> pool = {});
    // A transcoded MP3 stream. The reader, when given, is held and never
    // read.
    PCMDecoder(std::shared_ptr<ChunkSource> body, std::shared_ptr<ByteSource> reader, double sampleRate,
               std::shared_ptr<PCMBufferPool> pool = {});

    // The next buffer, at most `frames` long except on the FLAC path when the
    // stream needs no conversion (then one whole FLAC frame); none at the end.
    std::optional<PCMBuffer> read(std::uint32_t frames);
    // Positions at this time into the song, clamped to it. The stream form
    // cannot seek and ignores the call: the server starts a new stream at an
    // offset instead.
    void seek(double seconds);

    const std::shared_ptr<ByteSource>& reader() const noexcept { return reader_; }
    const AudioSourceFormat& sourceFormat() const noexcept { return sourceFormat_; }
    double outputSampleRate() const noexcept { return outputRate_; }
    // In frames at the source's rate; 0 for the stream form.
    std::int64_t frameLength() const noexcept { return frameLength_; }
    double duration() const noexcept {
        return sourceFormat_.sampleRate > 0 ? static_cast<double>(frameLength_) / sourceFormat_.sampleRate
                                            : 0;
    }

private:
    std::optional<PCMBuffer> readFile(std::uint32_t frames);

    std::shared_ptr<ByteSource> reader_;
    double outputRate_;
    std::shared_ptr<PCMBufferPool> pool_;
    AudioSourceFormat sourceFormat_;
    std::int64_t frameLength_ = 0;
    std::unique_ptr<FLACDecoder> flac_;
    std::unique_ptr<AudioFile> file_;
    std::optional<SampleConverter> converter_;
    PCMBuffer converted_;
    bool fileEnded_ = false;
    std::unique_ptr<MP3StreamDecoder> stream_;
};

} // namespace sorvalind
