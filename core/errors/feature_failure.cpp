#include "errors/feature_failure.h"

#include <array>

namespace sorvalind {
namespace {

constexpr std::array<std::string_view, 9> texts = {
    "The server did not return MP3 audio. Enable MP3 transcoding in Navidrome.",
    "The server returned a different codec for an original-quality download.",
    "The downloaded audio is incomplete or has an unexpected duration.",
    "The server exceeded the requested MP3 bitrate. Check its transcoding configuration.",
    "The local audio file is missing. Download it again when connected.",
    "This song is not downloaded. Connect to your server to stream it.",
    "Turn off Offline Mode in Settings to connect to your server.",
    "Your server cannot seek transcoded audio. Select Original quality or download this song.",
    "This server cannot efficiently seek this remote format. Download the original for accurate local "
    "seeking, or use a server advertising transcodeOffset.",
};

} // namespace

std::string_view rawValue(FeatureFailure failure) noexcept {
    return texts[static_cast<std::size_t>(failure)];
}

std::optional<FeatureFailure> featureFailureFromRawValue(std::string_view text) noexcept {
    for (std::size_t i = 0; i < texts.size(); ++i)
        if (texts[i] == text) return static_cast<FeatureFailure>(i);
    return std::nullopt;
}

} // namespace sorvalind
