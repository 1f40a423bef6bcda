#include "playback/stream_source.h"

#include "errors/api_error.h"
#include "platform/text/text.h"

#include <cmath>

namespace sorvalind {

namespace {

std::string lowerSuffix(const Song& song) {
    return text::asciiLower(song.suffix.value_or(""));
}

bool isCompressedOriginal(const Song& song) {
    const std::string suffix = lowerSuffix(song);
    return suffix == "mp3" || suffix == "aac";
}

std::optional<std::int64_t> sourceMP3BitRate(const Song& song) {
    if (lowerSuffix(song) == "mp3" && song.bitRate) return song.bitRate;
    return std::nullopt;
}

StreamStart fromZero(const Song& song, const APIClient& client, DownloadQuality quality) {
    return {client.offsetStreamRequest(song.id, 0, quality, sourceMP3BitRate(song)), true, 0};
}

} // namespace

bool needsDiscardingStart(const Song& song, double offset, bool offsetSupported,
                          DownloadQuality quality) noexcept {
    if (offsetSupported) return false;
    if (quality != DownloadQuality::original) return offset != 0;
    return offset > 0 && isCompressedOriginal(song);
}

StreamStart remoteSource(const Song& song, double offset, const APIClient& client, bool offsetSupported,
                         DownloadQuality quality, bool mayDiscard) {
    const bool discard = mayDiscard && offset > 0 && offset <= maximumDiscard;
    if (quality != DownloadQuality::original) {
        if (offset != 0 && !offsetSupported) {
            if (discard) return fromZero(song, client, quality);
            throw APIError::unavailable(FeatureFailure::transcodeSeek);
        }
        return {client.offsetStreamRequest(song.id, offset, quality, sourceMP3BitRate(song)), true,
                offset > 0 ? std::trunc(offset) : 0};
    }
    if (offset > 0 && isCompressedOriginal(song)) {
        if (offsetSupported)
            return {
                client.offsetStreamRequest(song.id, offset, DownloadQuality::mp3_320, sourceMP3BitRate(song)),
                true, std::trunc(offset)};
        if (discard) return fromZero(song, client, DownloadQuality::mp3_320);
        throw APIError::unavailable(FeatureFailure::originalSeek);
    }
    return {client.streamRequest(song.id, DownloadQuality::original), false, 0};
}

} // namespace sorvalind
