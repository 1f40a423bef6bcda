#include "downloads/download_verification.h"

#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "loopback/audio/audio_fixtures.h"
#include "runtime/cancellation.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace sorvalind {
namespace {

// What a verification ended with: "ok" or the failure's kind.
std::string outcome(const std::function<void()>& run) {
    try {
        run();
        return "ok";
    } catch (const APIError& error) {
        return std::string(rawValue(error.feature()));
    } catch (const AudioFailure& error) {
        return error.kind() == AudioFailure::Case::invalidResponse ? "invalid" : "status";
    } catch (const CancellationError&) {
        return "cancelled";
    } catch (const std::exception& error) {
        return std::string("other: ") + error.what();
    }
}

const std::string incomplete(rawValue(FeatureFailure::incompleteDownload));
const std::string codecChanged(rawValue(FeatureFailure::originalCodecChanged));
const std::string noMP3(rawValue(FeatureFailure::mp3Unavailable));
const std::string bitrate(rawValue(FeatureFailure::bitrateExceeded));

struct VerificationTest : ::testing::Test {
    static inline std::filesystem::path audio;
    static inline std::filesystem::path flacFile, mp3File, alacFile;

    static void SetUpTestSuite() {
        audio = fixtures::temporaryFolder("verify");
        // Three seconds each: long enough for the duration and bit-rate checks.
        flacFile = fixtures::flac(audio, "tone", {48000, 2, 16, 144000});
        mp3File = fixtures::mp3(audio, "tone", {48000, 2, 16, 144000}, 320);
        alacFile = fixtures::alac(audio, "lossless", {48000, 2, 16, 144000});
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(audio); }

    test::TempDir dir;
    std::filesystem::path root = dir.path() / "Audio";

    static std::int64_t sizeOf(const std::filesystem::path& path) {
        return static_cast<std::int64_t>(std::filesystem::file_size(path));
    }

    std::filesystem::path copy(const std::filesystem::path& from, std::optional<std::size_t> keep = {}) {
        auto bytes = test::readFile(from);
        if (keep) bytes.resize(*keep);
        auto part = dir.path() / "transfer.part";
        std::ofstream(part, std::ios::binary | std::ios::trunc) << bytes;
        return part;
    }

    static Song flacSong() {
        auto song = Song::make("s1", "Tone");
        song.suffix = "flac";
        song.duration = 3;
        song.samplingRate = 48000;
        song.bitDepth = 16;
        song.size = sizeOf(flacFile);
        return song;
    }
};

TEST_F(VerificationTest, AcceptedFileMovesIntoTheRoot) {
    auto temporary = copy(flacFile);
    auto record = verifyAndFinalize(temporary, flacSong(), DownloadQuality::original, root, {});
    const std::filesystem::path path(record.path);
    EXPECT_EQ(path.parent_path(), root);
    EXPECT_EQ(path.extension(), ".flac");
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_EQ(test::readFile(path), test::readFile(flacFile));
    EXPECT_EQ(record.bytes, sizeOf(flacFile));
    EXPECT_EQ(record.id(), "s1:original");
}

TEST_F(VerificationTest, RefusesFilesThatDoNotMatchTheSong) {
    struct Case {
        const char* name;
        std::function<Song(Song)> song;
        DownloadQuality quality;
        std::filesystem::path file;
        std::optional<std::size_t> keep;
        std::string expected;
    };
    auto same = [](Song s) { return s; };
    auto listedAs = [](std::string suffix) {
        return [suffix](Song s) {
            s.size.reset();
            s.suffix = suffix;
            return s;
        };
    };
    const std::size_t flacSize = static_cast<std::size_t>(sizeOf(flacFile));
    const Case cases[] = {
        {"other sampling rate",
         [](Song s) {
             s.samplingRate = 44100;
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         "invalid"},
        {"no rate or depth listed",
         [](Song s) {
             s.samplingRate.reset();
             s.bitDepth.reset();
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         "ok"},
        {"size one byte off",
         [](Song s) {
             *s.size += 1;
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         "invalid"},
        {"size of 0 skips the check",
         [](Song s) {
             s.size = 0;
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         "ok"},
        {"duration far off",
         [](Song s) {
             s.duration = 10;
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         incomplete},
        {"short songs skip the duration",
         [](Song s) {
             s.duration = 2;
             return s;
         },
         DownloadQuality::original,
         flacFile,
         {},
         "ok"},
        {"truncated body",
         [](Song s) {
             s.size.reset();
             return s;
         },
         DownloadQuality::original, flacFile, flacSize / 2, "other"},
        {"corrupt body",
         [](Song s) {
             s.size.reset();
             return s;
         },
         DownloadQuality::original, mp3File, std::size_t(0), "other"},
        {"MP3 asked, FLAC sent", same, DownloadQuality::mp3_320, flacFile, {}, noMP3},
        {"flac listed, MP3 sent",
         [](Song s) {
             s.size.reset();
             return s;
         },
         DownloadQuality::original,
         mp3File,
         {},
         codecChanged},
        {"unlisted suffix is not compared",
         [](Song s) {
             s.size.reset();
             s.suffix = "ogg";
             return s;
         },
         DownloadQuality::original,
         mp3File,
         {},
         "ok"},
        // Apple Lossless is listed as "m4a", in either letter case.
        {"Apple Lossless listed as M4A", listedAs("M4A"), DownloadQuality::original, alacFile, {}, "ok"},
        {"Apple Lossless listed as m4a", listedAs("m4a"), DownloadQuality::original, alacFile, {}, "ok"},
        {"Apple Lossless listed as aac",
         listedAs("aac"),
         DownloadQuality::original,
         alacFile,
         {},
         codecChanged},
        {"MP3 within its rate", same, DownloadQuality::mp3_320, mp3File, {}, "ok"},
        {"MP3 above its rate", same, DownloadQuality::mp3_192, mp3File, {}, bitrate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::path temporary;
        if (std::string(c.name) == "corrupt body") {
            temporary = dir.path() / "transfer.part";
            std::ofstream(temporary, std::ios::binary | std::ios::trunc) << std::string(70000, '\x5a');
        } else {
            temporary = copy(c.file, c.keep);
        }
        auto result = outcome([&] { verifyAndFinalize(temporary, c.song(flacSong()), c.quality, root, {}); });
        if (c.expected == "other") {
            EXPECT_NE(result, "ok");
        } else {
            EXPECT_EQ(result, c.expected);
        }
        if (c.expected != "ok") {
            EXPECT_FALSE(std::filesystem::exists(root) && !std::filesystem::is_empty(root));
        }
        std::filesystem::remove_all(root);
    }
}

TEST_F(VerificationTest, StopsWhenCancelled) {
    std::stop_source stop;
    stop.request_stop();
    auto temporary = copy(flacFile);
    EXPECT_EQ(outcome([&] {
                  verifyAndFinalize(temporary, flacSong(), DownloadQuality::original, root, stop.get_token());
              }),
              "cancelled");
    EXPECT_FALSE(std::filesystem::exists(root));
}

TEST(SourceFormatCheck, SuffixTableIgnoresLetterCase) {
    struct Case {
        const char* suffix;
        AudioCodec codec;
        bool passes;
    };
    const Case cases[] = {
        {"m4a", AudioCodec::appleLossless, true},
        // The same file listed in capitals passes as well.
        {"M4A", AudioCodec::appleLossless, true},
        {"M4A", AudioCodec::mpeg4AAC, true},
        {"alac", AudioCodec::appleLossless, true},
        {"aac", AudioCodec::appleLossless, false},
        {"FLAC", AudioCodec::mpegLayer3, false},
        {"wav", AudioCodec::linearPCM, true},
        {"aiff", AudioCodec::flac, false},
        {"ogg", AudioCodec::other, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.suffix);
        auto song = Song::make("s1", "Tone");
        song.suffix = c.suffix;
        AudioSourceFormat format;
        format.codec = c.codec;
        format.sampleRate = 44100;
        auto run = [&] { checkSourceFormat(format, song, DownloadQuality::original); };
        if (c.passes)
            EXPECT_NO_THROW(run());
        else
            EXPECT_THROW(run(), APIError);
    }
}

TEST(StoredName, ExtensionIsSafe) {
    struct Case {
        std::optional<std::string> suffix;
        DownloadQuality quality;
        std::string extension;
    };
    const Case cases[] = {
        {"FLAC", DownloadQuality::original, "FLAC"},
        {"tar.gz", DownloadQuality::original, "audio"},
        {"abcdefghijk", DownloadQuality::original, "audio"},
        {"abcdefghij", DownloadQuality::original, "abcdefghij"},
        {std::nullopt, DownloadQuality::original, "audio"},
        {"../x", DownloadQuality::original, "audio"},
        {"fl\u00e4c", DownloadQuality::original, "fl\u00e4c"},
        {"", DownloadQuality::original, ""},
        {"flac", DownloadQuality::mp3_192, "mp3"},
    };
    for (const auto& c : cases) {
        auto song = Song::make("s1", "Tone");
        song.suffix = c.suffix;
        EXPECT_EQ(storedExtension(song, c.quality), c.extension) << c.suffix.value_or("(none)");
    }
}

TEST(MoveIntoPlace, CopiesAcrossFileSystems) {
    test::TempDir dir;
    const std::filesystem::path other = "/dev/shm";
    struct stat a {
    }, b{};
    if (::stat(other.c_str(), &b) != 0 || ::stat(dir.path().c_str(), &a) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system here";
    const auto from = other / ("sorvalind-move-" + std::to_string(::getpid()) + ".part");
    std::ofstream(from, std::ios::binary) << "audio bytes";
    const auto to = dir.path() / "A.flac";
    moveIntoPlace(from, to);
    EXPECT_EQ(test::readFile(to), "audio bytes");
    EXPECT_FALSE(std::filesystem::exists(from));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
} // namespace sorvalind
