// FLAC and PCM files decode sample for sample to what was encoded, from the
// start and after seeks, in whole FLAC frames when nothing needs converting.
#include "audio_test_support.h"

#include "errors/audio_failure.h"

#include <cmath>

namespace sorvalind::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Tone;

struct LosslessCase {
    std::string name;
    Tone tone;
    bool flac;
};

std::string caseName(const ::testing::TestParamInfo<LosslessCase>& info) {
    return info.param.name;
}

class LosslessDecoding : public ::testing::TestWithParam<LosslessCase> {
protected:
    fs::path make() const {
        const auto& p = GetParam();
        return p.flac ? fixtures::flac(audioFolder(), p.name, p.tone)
                      : fixtures::wav(audioFolder(), p.name, p.tone);
    }
    std::vector<std::vector<float>> reference() const {
        const auto& p = GetParam();
        fs::path source = audioFolder() / (p.name + (p.flac ? "-source.wav" : ".wav"));
        return fixtures::samples(source);
    }
};

// Frames from `from` on of the decoded buffer equal the reference exactly.
void expectSamples(const PCMBuffer& decoded, const std::vector<std::vector<float>>& reference,
                   std::size_t from) {
    ASSERT_EQ(decoded.frameLength(), reference[0].size() - from);
    const auto& right = reference.size() > 1 ? reference[1] : reference[0];
    for (std::size_t i = 0; i < decoded.frameLength(); ++i) {
        if (decoded.channels[0][i] != reference[0][from + i] || decoded.channels[1][i] != right[from + i]) {
            ADD_FAILURE() << "frame " << from + i << " differs: " << decoded.channels[0][i] << " vs "
                          << reference[0][from + i];
            return;
        }
    }
}

TEST_P(LosslessDecoding, GivesEveryEncodedSampleFromTheStartAndAfterSeeks) {
    const auto& p = GetParam();
    fs::path file = make();
    auto expected = reference();

    PCMDecoder decoder(file, 48000);
    EXPECT_EQ(decoder.sourceFormat().codec, p.flac ? AudioCodec::flac : AudioCodec::linearPCM);
    EXPECT_EQ(decoder.sourceFormat().sampleRate, p.tone.sampleRate);
    EXPECT_EQ(decoder.sourceFormat().channels, static_cast<std::uint32_t>(p.tone.channels));
    EXPECT_EQ(decoder.sourceFormat().bitsPerChannel, static_cast<std::uint32_t>(p.tone.bits));
    EXPECT_EQ(decoder.frameLength(), p.tone.frames);
    expectSamples(decodeAll(decoder, 8192, p.flac), expected, 0);

    for (double seconds : {0.0, 0.5, 1.2345, 2.0}) {
        SCOPED_TRACE(seconds);
        decoder.seek(seconds);
        expectSamples(decodeAll(decoder, 1000, p.flac), expected, static_cast<std::size_t>(seconds * 48000));
    }
    // Past the end lands on the last sample (FLAC) or the end (other files);
    // before the start lands on the first.
    decoder.seek(1e9);
    EXPECT_LE(decodeAll(decoder, 8192, p.flac).frameLength(), 1u);
    decoder.seek(-3);
    expectSamples(decodeAll(decoder, 8192, p.flac), expected, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LosslessDecoding,
    ::testing::Values(LosslessCase{"flac16", Tone{48000, 2, 16, 2 * 48000 + 1234}, true},
                      LosslessCase{"flac24", Tone{48000, 2, 24, 2 * 48000 + 777}, true},
                      LosslessCase{"flac16mono", Tone{48000, 1, 16, 2 * 48000 + 5}, true},
                      LosslessCase{"wav16", Tone{48000, 2, 16, 2 * 48000 + 99}, false},
                      LosslessCase{"wav24", Tone{48000, 2, 24, 2 * 48000 + 1}, false},
                      LosslessCase{"wav16mono", Tone{48000, 1, 16, 2 * 48000 + 3}, false}),
    caseName);

TEST(FLACDecoding, HandsOutWholeFramesWhenNothingNeedsConverting) {
    PCMDecoder decoder(fixtures::flac(audioFolder(), "frames", Tone{48000, 2, 16, 20000}), 48000);
    auto first = decoder.read(100);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->frameLength(), 4096u);
}

TEST(FLACDecoding, ScalesSamplesByTheirBitDepth) {
    // Four stereo frames of 16-bit samples: 16384 is 0.5, -32768 is -1.
    const std::int16_t values[] = {16384, -32768, 0, 32767, -16384, 1, 8192, -1};
    fs::path raw = audioFolder() / "scale.raw";
    {
        std::ofstream out(raw, std::ios::binary);
        out.write(reinterpret_cast<const char*>(values), sizeof values);
    }
    fs::path file = audioFolder() / "scale.flac";
    fixtures::run("sox -q -t raw -r 48000 -c 2 -b 16 -e signed-integer -L '" + raw.string() + "' '" +
                  file.string() + "'");
    PCMDecoder decoder(file, 48000);
    PCMBuffer all = decodeAll(decoder, 8192, true);
    ASSERT_EQ(all.frameLength(), 4u);
    EXPECT_EQ(all.channels[0], (std::vector<float>{0.5f, 0.0f, -0.5f, 0.25f}));
    EXPECT_EQ(all.channels[1], (std::vector<float>{-1.0f, 32767.0f / 32768, 1.0f / 32768, -1.0f / 32768}));
}

TEST(SampleRateConversion, GivesTheRateRatioOfFramesInBuffersOfTheAskedSize) {
    struct Case {
        fs::path file;
        std::int64_t frames;
        std::size_t expected;
    };
    const std::vector<Case> cases = {
        {fixtures::flac(audioFolder(), "rate44", Tone{44100, 2, 16, 44100 + 441}), 44100 + 441, 48000 + 480},
        {fixtures::flac(audioFolder(), "rate96", Tone{96000, 2, 24, 96001}), 96001, 48001},
        {fixtures::wav(audioFolder(), "rate22", Tone{22050, 1, 16, 22050}), 22050, 48000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.filename());
        PCMDecoder decoder(c.file, 48000);
        EXPECT_EQ(decoder.frameLength(), c.frames);
        PCMBuffer all = decodeAll(decoder, 4000);
        EXPECT_EQ(all.frameLength(), c.expected);
        // The sweeps stay within their amplitude through the resampler.
        float peak = 0;
        for (float sample : all.channels[0])
            peak = std::max(peak, std::abs(sample));
        EXPECT_GT(peak, 0.6f);
        EXPECT_LT(peak, 0.75f);
        // After a seek the rest of the song is there, converted afresh.
        decoder.seek(0.5);
        EXPECT_EQ(decodeAll(decoder, 4000).frameLength(), c.expected - 24000);
    }
}

TEST(ChannelMap, PlaysTheFirstTwoOfManyChannelsAndMonoOnBoth) {
    for (int channels : {1, 3, 6}) {
        SCOPED_TRACE(channels);
        fs::path file =
            fixtures::wav(audioFolder(), "map" + std::to_string(channels), Tone{48000, channels, 16, 30000});
        auto reference = fixtures::samples(file);
        PCMDecoder decoder(file, 48000);
        PCMBuffer all = decodeAll(decoder);
        EXPECT_EQ(all.channels[0], reference[0]);
        EXPECT_EQ(all.channels[1], reference[channels > 1 ? 1 : 0]);
    }
}

} // namespace
} // namespace sorvalind::testing
