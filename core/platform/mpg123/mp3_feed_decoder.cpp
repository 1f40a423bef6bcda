#include "platform/mpg123/mp3_feed_decoder.h"

#include "errors/audio_failure.h"
#include "platform/mpg123/mpg123_error.h"

namespace sorvalind {
namespace {

void check(int code) {
    if (code != MPG123_OK) throw Mpg123Error(code);
}

} // namespace

MP3FeedDecoder::MP3FeedDecoder() {
    mpg123_handle* h = handle_.get();
    check(mpg123_param2(h, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_FLOAT | MPG123_QUIET, 0));
    // Only the stream's own rate and channel count: resampling is ours.
    check(mpg123_format_none(h));
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        check(mpg123_format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32));
    check(mpg123_open_feed(h));
}

void MP3FeedDecoder::feed(std::span<const std::byte> bytes) {
    if (bytes.empty()) return;
    int code = mpg123_feed(handle_.get(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (code != MPG123_OK) throw AudioFailure::status(code);
}

void MP3FeedDecoder::acceptFormat() {
    mpg123_handle* h = handle_.get();
    mpg123_frameinfo2 info{};
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_info2(h, &info) != MPG123_OK || info.layer != 3 ||
        mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK || encoding != MPG123_ENC_FLOAT_32 ||
        rate <= 0 || channels < 1 || channels > 2)
        throw AudioFailure::invalidResponse();
    // A stream that changes rate or channels midway would need a new
    // converter under the pipeline's feet.
    if (format_ && (format_->sampleRate != rate || format_->channels != channels))
        throw AudioFailure::invalidResponse();
    format_ = Format{rate, channels};
}

MP3FeedDecoder::Step MP3FeedDecoder::decode() {
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        int code = mpg123_decode_frame(handle_.get(), &frameNumber, &audio, &bytes);
        switch (code) {
        case MPG123_NEW_FORMAT:
            acceptFormat();
            continue;
        case MPG123_OK:
            if (bytes == 0 || !audio) continue;
            if (!format_) acceptFormat();
            return {Step::Kind::audio,
                    std::span(reinterpret_cast<const float*>(audio), bytes / sizeof(float))};
        case MPG123_NEED_MORE:
        case MPG123_DONE:
            return {Step::Kind::needMore, {}};
        default:
            throw AudioFailure::status(code);
        }
    }
}

} // namespace sorvalind
