// Truncated, corrupt and foreign input ends in a clear failure (or, where the
// damage cannot be seen, in audio), never in a crash or a hang; failures of
// the byte source or body come out as the source's own.
#include "audio_test_support.h"

#include "errors/audio_failure.h"

#include <map>
#include <random>

namespace sorvalind::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Tone;

enum class Form { flac, wav, mp3, m4a, mp3Stream };

const char* nameOf(Form form) {
    switch (form) {
    case Form::flac:
        return "flac";
    case Form::wav:
        return "wav";
    case Form::mp3:
        return "mp3";
    case Form::m4a:
        return "m4a";
    case Form::mp3Stream:
        return "mp3Stream";
    }
    return "";
}

const std::vector<std::byte>& intactBytes(Form form) {
    static std::map<Form, std::vector<std::byte>> made;
    auto found = made.find(form);
    if (found != made.end()) return found->second;
    const Tone tone{48000, 2, 16, 48000};
    fs::path file;
    switch (form) {
    case Form::flac:
        file = fixtures::flac(audioFolder(), "intact", tone);
        break;
    case Form::wav:
        file = fixtures::wav(audioFolder(), "intact", tone);
        break;
    case Form::mp3:
    case Form::mp3Stream:
        file = fixtures::mp3(audioFolder(), "intact", tone, 192);
        break;
    case Form::m4a:
        file = fixtures::m4a(audioFolder(), "intact", tone);
        break;
    }
    return made[form] = fileBytes(file);
}

// Decodes to the end; returns the failure, or none when the bytes played.
std::exception_ptr decodeOutcome(Form form, std::vector<std::byte> bytes) {
    try {
        std::unique_ptr<PCMDecoder> decoder;
        if (form == Form::mp3Stream)
            decoder = std::make_unique<PCMDecoder>(
                std::make_shared<MemoryChunkSource>(std::move(bytes), 3000), nullptr, 48000);
        else
            decoder =
                std::make_unique<PCMDecoder>(std::make_shared<MemoryByteSource>(std::move(bytes)), 48000);
        std::size_t frames = 0;
        while (auto buffer = decoder->read(8192)) {
            frames += buffer->frameLength();
            // Twice the song is more than any damage can explain.
            if (frames > 96000 + 8192) throw std::runtime_error("decoded past the song");
        }
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

bool isAudioFailure(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const AudioFailure&) {
        return true;
    } catch (...) {
        return false;
    }
}

using Damage = std::vector<std::byte> (*)(std::vector<std::byte>);

std::vector<std::byte> emptied(std::vector<std::byte>) {
    return {};
}
std::vector<std::byte> firstTenBytes(std::vector<std::byte> bytes) {
    bytes.resize(10);
    return bytes;
}
std::vector<std::byte> cutInHalf(std::vector<std::byte> bytes) {
    bytes.resize(bytes.size() / 2);
    return bytes;
}
std::vector<std::byte> garbled(std::vector<std::byte> bytes, std::size_t from, std::size_t count) {
    std::mt19937 random(7);
    for (std::size_t i = from; i < std::min(bytes.size(), from + count); ++i)
        bytes[i] = std::byte(random());
    return bytes;
}
std::vector<std::byte> garbledHead(std::vector<std::byte> bytes) {
    return garbled(std::move(bytes), 8, 200);
}
std::vector<std::byte> garbledMiddle(std::vector<std::byte> bytes) {
    std::size_t middle = bytes.size() * 2 / 5;
    return garbled(std::move(bytes), middle, 3000);
}

struct BrokenCase {
    Form form;
    const char* damageName;
    Damage damage;
    // Else the damage may go unseen (noise in PCM, a lossy decoder that
    // resyncs, a stream cut short that the body reports itself).
    bool mustFail;
};

TEST(BrokenInput, FailsClearlyOrPlaysButNeverCrashesOrHangs) {
    const std::vector<BrokenCase> cases = {
        {Form::flac, "empty", emptied, true},
        {Form::wav, "empty", emptied, true},
        {Form::mp3, "empty", emptied, true},
        {Form::m4a, "empty", emptied, true},
        {Form::mp3Stream, "empty", emptied, true},
        {Form::flac, "first ten bytes", firstTenBytes, true},
        {Form::wav, "first ten bytes", firstTenBytes, true},
        {Form::mp3, "first ten bytes", firstTenBytes, true},
        {Form::m4a, "first ten bytes", firstTenBytes, true},
        {Form::mp3Stream, "first ten bytes", firstTenBytes, true},
        {Form::flac, "cut in half", cutInHalf, true},
        {Form::wav, "cut in half", cutInHalf, true},
        {Form::mp3, "cut in half", cutInHalf, true},
        {Form::m4a, "cut in half", cutInHalf, true},
        {Form::mp3Stream, "cut in half", cutInHalf, false},
        {Form::flac, "garbled head", garbledHead, true},
        {Form::wav, "garbled head", garbledHead, false},
        {Form::mp3, "garbled head", garbledHead, false},
        {Form::m4a, "garbled head", garbledHead, false},
        {Form::mp3Stream, "garbled head", garbledHead, false},
        {Form::flac, "garbled middle", garbledMiddle, true},
        {Form::wav, "garbled middle", garbledMiddle, false},
        {Form::mp3, "garbled middle", garbledMiddle, false},
        {Form::m4a, "garbled middle", garbledMiddle, false},
        {Form::mp3Stream, "garbled middle", garbledMiddle, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.form)) + ", " + c.damageName);
        std::exception_ptr failure = decodeOutcome(c.form, c.damage(intactBytes(c.form)));
        if (c.mustFail) {
            EXPECT_TRUE(failure);
        }
        // Whatever fails, fails as the player's own failure with its text.
        if (failure) {
            EXPECT_TRUE(isAudioFailure(failure));
        }
    }
}

TEST(BrokenInput, RefusesWhatThePlayerDoesNotPlay) {
    const Tone tone{48000, 2, 16, 20000};
    fs::path vorbis = audioFolder() / "foreign.ogg";
    fixtures::run("sox -q '" + fixtures::wav(audioFolder(), "foreign", tone).string() + "' '" +
                  vorbis.string() + "'");
    fs::path layer2 = fixtures::mp2(audioFolder(), "layer2", tone);
    for (const fs::path& file : {vorbis, layer2}) {
        SCOPED_TRACE(file.filename());
        EXPECT_TRUE(isAudioFailure(decodeOutcome(Form::wav, fileBytes(file))));
    }
    // A header claiming two billion samples a second is refused before the
    // resampler sizes its filters for it (gigabytes).
    std::vector<std::byte> absurdRate = intactBytes(Form::wav);
    ASSERT_EQ(std::to_integer<unsigned>(absurdRate[24]) | std::to_integer<unsigned>(absurdRate[25]) << 8,
              48000u);
    for (std::size_t i = 0; i < 4; ++i)
        absurdRate[24 + i] = std::byte((0x7453bb80u >> (8 * i)) & 0xFF);
    try {
        PCMDecoder decoder(std::make_shared<MemoryByteSource>(absurdRate), 48000);
        ADD_FAILURE() << "a rate of two billion was accepted";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::invalidResponse());
    }
    // The stream decoder takes MPEG layer 3 only.
    try {
        PCMDecoder stream(std::make_shared<MemoryChunkSource>(fileBytes(layer2), 1000), nullptr, 48000);
        ADD_FAILURE() << "a layer 2 stream was accepted";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::invalidResponse());
    }
    try {
        PCMDecoder stream(std::make_shared<MemoryChunkSource>(intactBytes(Form::flac), 1000), nullptr, 48000);
        ADD_FAILURE() << "a FLAC body was accepted as an MP3 stream";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::invalidResponse());
    }
}

// STREAMINFO starts 8 bytes in: 20 bits of rate, 3 of channels - 1, 5 of
// bits - 1 and 36 of total samples from byte 18 on.
std::vector<std::byte> withStreamInfo(std::vector<std::byte> bytes, unsigned rate, unsigned channels,
                                      std::uint64_t total) {
    unsigned bitsLess =
        ((std::to_integer<unsigned>(bytes[20]) & 1) << 4) | (std::to_integer<unsigned>(bytes[21]) >> 4);
    bytes[18] = std::byte(rate >> 12);
    bytes[19] = std::byte(rate >> 4);
    bytes[20] = std::byte(((rate & 0xF) << 4) | ((channels - 1) << 1) | (bitsLess >> 4));
    bytes[21] = std::byte(((bitsLess & 0xF) << 4) | ((total >> 32) & 0xF));
    for (int i = 0; i < 4; ++i)
        bytes[22 + i] = std::byte(total >> (24 - 8 * i));
    return bytes;
}

TEST(BrokenInput, RefusesFLACFramesThatDisagreeWithTheStreamInfoAndStreamsOfUnknownLength) {
    auto mono = fileBytes(fixtures::flac(audioFolder(), "streaminfo", Tone{48000, 1, 16, 30000}));
    ASSERT_EQ(withStreamInfo(mono, 48000, 1, 30000), mono);
    struct Case {
        const char* name;
        std::vector<std::byte> bytes;
    };
    const std::vector<Case> cases = {
        // Frames of one channel under a header of two: the converter would
        // read a second plane that no frame has.
        {"two channels announced", withStreamInfo(mono, 48000, 2, 30000)},
        {"another rate announced", withStreamInfo(mono, 44100, 1, 30000)},
        {"no total length", withStreamInfo(mono, 48000, 1, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::exception_ptr failure = decodeOutcome(Form::flac, c.bytes);
        ASSERT_TRUE(failure);
        try {
            std::rethrow_exception(failure);
        } catch (const AudioFailure& audio) {
            EXPECT_EQ(audio, AudioFailure::invalidResponse());
        } catch (...) {
            ADD_FAILURE() << "not an AudioFailure";
        }
    }
}

TEST(SourceFailure, ComesOutAsTheSourcesOwnFailure) {
    for (Form form : {Form::flac, Form::wav, Form::mp3, Form::m4a}) {
        const auto& bytes = intactBytes(form);
        for (std::int64_t at : {std::int64_t{0}, static_cast<std::int64_t>(bytes.size() / 2)}) {
            SCOPED_TRACE(std::string(nameOf(form)) + " at " + std::to_string(at));
            EXPECT_THROW(
                {
                    PCMDecoder decoder(std::make_shared<MemoryByteSource>(bytes, at), 48000);
                    while (decoder.read(8192)) {
                    }
                },
                SourceBroke);
        }
    }
    for (int after : {0, 3}) {
        SCOPED_TRACE(after);
        EXPECT_THROW(
            {
                PCMDecoder decoder(
                    std::make_shared<MemoryChunkSource>(intactBytes(Form::mp3Stream), 2000, after), nullptr,
                    48000);
                while (decoder.read(8192)) {
                }
            },
            SourceBroke);
    }
}

TEST(SourceFailure, ACancelledBodyEndsTheStreamWithCancelled) {
    auto body = std::make_shared<MemoryChunkSource>(intactBytes(Form::mp3Stream), 2000);
    PCMDecoder decoder(body, nullptr, 48000);
    body->cancel();
    try {
        while (decoder.read(8192)) {
        }
        ADD_FAILURE() << "the stream played on";
    } catch (const AudioFailure& failure) {
        EXPECT_EQ(failure, AudioFailure::cancelled());
    }
}

} // namespace
} // namespace sorvalind::testing
