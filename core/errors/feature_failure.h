#pragma once
// A feature that cannot be used in the present situation. Its raw value is
// the sentence the user sees. Any thread; nothing here throws.

#include <optional>
#include <string_view>

namespace sorvalind {

enum class FeatureFailure {
    mp3Unavailable,
    originalCodecChanged,
    incompleteDownload,
    bitrateExceeded,
    missingLocalFile,
    offlineTrack,
    offlineMode,
    transcodeSeek,
    originalSeek,
};

// The user-facing text of a failure, which is also its raw value.
std::string_view rawValue(FeatureFailure failure) noexcept;

// The failure whose text is exactly `text` (case-sensitive), or none.
std::optional<FeatureFailure> featureFailureFromRawValue(std::string_view text) noexcept;

} // namespace sorvalind
