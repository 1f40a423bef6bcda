#include "errors/audio_failure.h"
#include "errors/safe_error.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorvalind {
namespace {

TEST(AudioFailureText, EveryCaseHasItsSentenceAndSafeErrorShowsIt) {
    struct Case {
        AudioFailure failure;
        std::string text;
    };
    const std::vector<Case> cases = {
        {AudioFailure::status(-50), "The native audio decoder could not read this file (-50)."},
        {AudioFailure::status(2003334207), "The native audio decoder could not read this file (2003334207)."},
        {AudioFailure::rangeUnavailable(),
         "This server does not support accurate byte-range access. Download "
         "the original file for playback."},
        {AudioFailure::invalidResponse(), "The server returned an invalid or incomplete audio range."},
        {AudioFailure::cancelled(), "Playback was cancelled."},
        {AudioFailure::outputUnavailable(),
         "No sound output is available. Check that your desktop’s sound server is running."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.failure.errorDescription(), c.text);
        EXPECT_EQ(SafeError::message(c.failure), c.text);
        EXPECT_EQ(SafeError::message(std::make_exception_ptr(c.failure)), c.text);
    }
    EXPECT_EQ(AudioFailure::status(-50).code(), -50);
    EXPECT_EQ(AudioFailure::status(-50), AudioFailure::status(-50));
    EXPECT_FALSE(AudioFailure::status(-50) == AudioFailure::status(-51));
    EXPECT_FALSE(AudioFailure::cancelled() == AudioFailure::invalidResponse());
}

TEST(AudioFailureText, KeepsItsTextWhenWrappedWithContext) {
    try {
        try {
            throw AudioFailure::cancelled();
        } catch (...) {
            std::throw_with_nested(std::runtime_error("while decoding /home/someone/song.flac"));
        }
    } catch (const std::exception& wrapped) {
        EXPECT_EQ(SafeError::message(wrapped), "Playback was cancelled.");
    }
}

} // namespace
} // namespace sorvalind
