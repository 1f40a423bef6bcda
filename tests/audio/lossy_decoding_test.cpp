// MP3 and AAC decode to exactly their original length and line up with what
// was encoded (so a wrong delay would show), from the start and after seeks;
// the MP3 stream decoder agrees with the file decoder whatever the chunking.
#include "audio_test_support.h"

#include "errors/audio_failure.h"

#include <cmath>

namespace sorvalind::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Tone;

constexpr std::int64_t songFrames = 3 * 48000 + 1234;

const fs::path& mp3File() {
    static const fs::path file = fixtures::mp3(audioFolder(), "lossy", Tone{48000, 2, 16, songFrames}, 320);
    return file;
}
const fs::path& m4aFile() {
    static const fs::path file = fixtures::m4a(audioFolder(), "lossy", Tone{48000, 2, 16, songFrames});
    return file;
}

// Signal-to-noise ratio in decibels of the decoded left channel against the
// source from `from` on.
double snr(const PCMBuffer& decoded, const std::vector<float>& source, std::size_t from = 0) {
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < decoded.frameLength() && from + i < source.size(); ++i) {
        double s = source[from + i], d = decoded.channels[0][i];
        signal += s * s;
        noise += (s - d) * (s - d);
    }
    return 10 * std::log10(signal / std::max(noise, 1e-20));
}

float largestDifference(const PCMBuffer& a, const PCMBuffer& b, std::size_t fromA = 0) {
    float largest = 0;
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < b.frameLength() && fromA + i < a.frameLength(); ++i)
            largest = std::max(largest, std::abs(a.channels[c][fromA + i] - b.channels[c][i]));
    return largest;
}

struct LossyCase {
    std::string name;
    const fs::path& (*file)();
    AudioCodec codec;
    // Whether the container's stated length is the source's own: lame's
    // gapless tag is; the edit list of FFmpeg 5.1's MPEG-4 muxer misses it
    // by a few dozen frames either way, and the decoder must still honour
    // exactly what the file says.
    bool exactLength;
    // How far a decode after a seek may stray from the full decode. An AAC
    // decoder restarted at the first packet rounds its first frame a little
    // differently; a sample out of place would differ by tenths.
    float seekTolerance;
};

class LossyDecoding : public ::testing::TestWithParam<LossyCase> {};

TEST_P(LossyDecoding, DecodesTheStatedLengthInLineWithTheSourceAndSeeksExactly) {
    const auto& p = GetParam();
    PCMDecoder decoder(p.file(), 48000);
    auto source = fixtures::samples(audioFolder() / "lossy-source.wav");
    EXPECT_EQ(decoder.sourceFormat(), (AudioSourceFormat{p.codec, 48000, 2, 0}));
    PCMBuffer all = decodeAll(decoder);
    if (p.exactLength) {
        EXPECT_EQ(all.frameLength(), static_cast<std::size_t>(songFrames));
        EXPECT_EQ(decoder.frameLength(), songFrames);
    } else {
        EXPECT_NEAR(static_cast<double>(all.frameLength()), songFrames, 1024);
        EXPECT_EQ(all.frameLength(), static_cast<std::size_t>(decoder.frameLength()));
    }
    // In line with the source: a delay off by one frame would ruin this.
    EXPECT_GT(snr(all, source[0]), 25.0);

    for (double seconds : {0.0, 0.25, 1.7, 2.9}) {
        SCOPED_TRACE(seconds);
        decoder.seek(seconds);
        PCMBuffer rest = decodeAll(decoder, 3000);
        auto from = static_cast<std::size_t>(seconds * 48000);
        EXPECT_EQ(rest.frameLength(), all.frameLength() - from);
        EXPECT_LE(largestDifference(all, rest, from), p.seekTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, LossyDecoding,
                         ::testing::Values(LossyCase{"mp3", &mp3File, AudioCodec::mpegLayer3, true, 0.0f},
                                           LossyCase{"aacInM4A", &m4aFile, AudioCodec::mpeg4AAC, false,
                                                     1e-3f}),
                         [](const auto& info) { return info.param.name; });

TEST(LossyDecoding, ResamplesA44100HzMP3ToTheRateRatioOfItsLength) {
    PCMDecoder decoder(fixtures::mp3(audioFolder(), "mp3at44", Tone{44100, 2, 16, 88200}, 320), 48000);
    EXPECT_EQ(decoder.sourceFormat().sampleRate, 44100);
    EXPECT_EQ(decodeAll(decoder).frameLength(), 96000u);
}

TEST(MP3Stream, DecodesTheExactLengthWhateverTheChunksAndAgreesWithTheFileDecoder) {
    PCMDecoder file(mp3File(), 48000);
    PCMBuffer expected = decodeAll(file);
    auto bytes = fileBytes(mp3File());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{417}, std::size_t{16384}, bytes.size()}) {
        SCOPED_TRACE(chunk);
        auto body = std::make_shared<MemoryChunkSource>(bytes, chunk);
        PCMDecoder stream(body, nullptr, 48000);
        EXPECT_EQ(stream.sourceFormat(), (AudioSourceFormat{AudioCodec::mpegLayer3, 48000, 2, 0}));
        EXPECT_EQ(stream.duration(), 0);
        PCMBuffer decoded = decodeAll(stream, 5000);
        EXPECT_EQ(decoded.frameLength(), static_cast<std::size_t>(songFrames));
        // Two decoders of the same stream: equal but for float rounding.
        EXPECT_LT(largestDifference(expected, decoded), 1e-4f);
    }
}

TEST(MP3Stream, ResamplesAndMapsAMonoStream) {
    fs::path mono = fixtures::mp3(audioFolder(), "mono44", Tone{44100, 1, 16, 44100}, 128);
    PCMDecoder stream(std::make_shared<MemoryChunkSource>(fileBytes(mono), 4096), nullptr, 48000);
    EXPECT_EQ(stream.sourceFormat(), (AudioSourceFormat{AudioCodec::mpegLayer3, 44100, 1, 0}));
    PCMBuffer decoded = decodeAll(stream);
    EXPECT_EQ(decoded.frameLength(), 48000u);
    EXPECT_EQ(decoded.channels[0], decoded.channels[1]);
}

TEST(MP3Stream, ReleasingTheDecoderCancelsItsBody) {
    auto body = std::make_shared<MemoryChunkSource>(fileBytes(mp3File()), 4096);
    {
        PCMDecoder stream(body, nullptr, 48000);
        ASSERT_TRUE(stream.read(100));
    }
    EXPECT_TRUE(body->cancelled());
}

} // namespace
} // namespace sorvalind::testing
