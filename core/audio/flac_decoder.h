#pragma once
// A FLAC song decoded by libFLAC through a byte source, into the pipeline's
// format. When the stream already has two channels at the asked rate, each
// read hands out one whole FLAC frame as it is; otherwise reads convert to
// at most the asked number of frames.
//
// Decoder queue only (one thread at a time). Everything throws the byte
// source's own failure when a read through it failed, else
// AudioFailure.invalidResponse for anything libFLAC reports (lost sync, bad
// header, CRC mismatch) and for a frame whose rate or channel count differs
// from the stream's; FlacError when libFLAC cannot start. The source must
// outlive the decoder. Buffers are made in the storage of `pool` (one of the
// decoder's own when none is given), and should go back to it once played.

#include "audio/pcm_buffer_pool.h"
#include "platform/ffmpeg/byte_source.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "platform/ffmpeg/sample_converter.h"
#include "platform/flac/stream_decoder.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace sorvalind {

class FLACDecoder {
public:
    FLACDecoder(ByteSource& reader, double sampleRate, std::shared_ptr<PCMBufferPool> pool = {});

    std::optional<PCMBuffer> read(std::uint32_t frames);
    // Positions at the sample of this time, clamped to the song.
    void seek(double seconds);

    double outputSampleRate() const noexcept { return outputRate_; }
    double sampleRate() const noexcept { return sampleRate_; }
    std::uint32_t channels() const noexcept { return channels_; }
    std::uint32_t bits() const noexcept { return bits_; }
    std::int64_t frameLength() const noexcept { return frameLength_; }

private:
    static FLAC__StreamDecoderReadStatus readBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                                   size_t* bytes, void* client);
    static FLAC__StreamDecoderSeekStatus seekBytes(const FLAC__StreamDecoder*, FLAC__uint64 offset,
                                                   void* client);
    static FLAC__StreamDecoderTellStatus tellBytes(const FLAC__StreamDecoder*, FLAC__uint64* offset,
                                                   void* client);
    static FLAC__StreamDecoderLengthStatus lengthOf(const FLAC__StreamDecoder*, FLAC__uint64* length,
                                                    void* client);
    static FLAC__bool atEnd(const FLAC__StreamDecoder*, void* client);
    static FLAC__StreamDecoderWriteStatus writeFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                     const FLAC__int32* const buffer[], void* client);
    static void metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client);
    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client);

    // The next decoded frame in the stream's own rate and channels.
    bool next();
    [[noreturn]] void fail();

    ByteSource& reader_;
    double outputRate_;
    std::shared_ptr<PCMBufferPool> pool_;
    StreamDecoder decoder_;
    std::int64_t cursor_ = 0;
    double sampleRate_ = 0;
    std::uint32_t channels_ = 0;
    std::uint32_t bits_ = 0;
    std::int64_t frameLength_ = 0;
    std::exception_ptr failure_;
    bool seeking_ = false;
    // Where the frame decoded last ends, in samples; a stream that ends
    // before its stated length is incomplete.
    std::int64_t decodedEnd_ = 0;
    // The frame the write callback decoded last, one plane per channel;
    // `hasPending_` says whether it is still to be handed out.
    std::vector<std::vector<float>> pending_;
    bool hasPending_ = false;
    std::optional<SampleConverter> converter_;
    PCMBuffer converted_;
    bool ended_ = false;
};

} // namespace sorvalind
