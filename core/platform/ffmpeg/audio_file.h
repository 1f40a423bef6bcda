#pragma once
// An encoded song read through FFmpeg from a ByteSource: probing restricted to
// the containers and codecs the player supports, decoding with the encoder's
// delay and padding removed (gapless files decode to their exact length),
// and sample-exact seeking. Hands out decoded frames in the song's own rate,
// channel count and sample layout; SampleConverter takes them from there.
//
// Decoder queue only (one thread at a time). Every operation throws the
// source's own failure when a read through it failed, else
// AudioFailure.status with FFmpeg's code (AudioFailure.invalidResponse when a
// frame changes layout mid-song), and FFmpegError when FFmpeg cannot allocate.
// The source must outlive the file.

#include "platform/ffmpeg/audio_source_format.h"
#include "platform/ffmpeg/byte_source.h"
#include "platform/ffmpeg/codec_context.h"
#include "platform/ffmpeg/format_context.h"
#include "platform/ffmpeg/frame.h"
#include "platform/ffmpeg/io_context.h"
#include "platform/ffmpeg/packet.h"
#include "platform/ffmpeg/sample_converter.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <vector>

namespace sorvalind {

class AudioFile {
public:
    explicit AudioFile(ByteSource& source);

    const AudioSourceFormat& sourceFormat() const noexcept { return sourceFormat_; }
    // What read() hands out.
    const SampleConverter::Input& decodedLayout() const noexcept { return layout_; }
    // The song's length in frames at its own rate; 0 when the container does
    // not say.
    std::int64_t frameLength() const noexcept { return frameLength_; }

    struct Decoded {
        // One pointer per plane (one in all for packed layouts), valid until
        // the next call.
        const std::uint8_t* const* planes = nullptr;
        int frames = 0;
    };
    // The next decoded frames; none (0 frames) at the end of the song.
    Decoded read();
    // Positions the next read() at this frame, clamped to the song.
    void seek(std::int64_t frame);

private:
    static int readPacket(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t seekTo(void* opaque, std::int64_t offset, int whence);
    [[noreturn]] void fail(int code);
    void openDecoder();
    // Where a decoded frame starts, in frames from the start of the song.
    std::int64_t startOf(const AVFrame& frame) const;

    ByteSource& source_;
    std::int64_t cursor_ = 0;
    std::exception_ptr failure_;
    // Declared before the demuxer, which reads through it until it is closed.
    IOContext io_;
    FormatContext format_;
    std::optional<CodecContext> codec_;
    Packet packet_;
    Frame frame_;
    int stream_ = -1;
    AVRational timeBase_{};
    std::int64_t startTime_ = 0;
    AudioSourceFormat sourceFormat_;
    SampleConverter::Input layout_;
    std::int64_t frameLength_ = 0;
    // The container states the length (rather than FFmpeg guessing it from
    // the bit rate), so a song that ends short of it is incomplete. Lossy
    // lengths may still hold the encoder's padding, hence the slack.
    bool lengthStated_ = false;
    // FFmpeg trims an MP3's padding itself; other containers' stated length
    // (an MPEG-4 edit list) is applied here.
    bool trimToLength_ = false;
    std::int64_t lengthSlack_ = 0;
    // Frames to decode before a seek target, so that a lossy decoder has
    // rebuilt its state when the target arrives.
    std::int64_t preroll_ = 0;
    // Where the next decoded frame starts; none right after a seek, when the
    // next frame's timestamp tells.
    std::optional<std::int64_t> position_ = 0;
    std::int64_t discardBefore_ = 0;
    std::vector<const std::uint8_t*> planes_;
};

} // namespace sorvalind
