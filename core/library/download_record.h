#pragma once
// One finished download of one song in one quality, with the place of its
// file. Identity is `id()`; equality compares every field (so that a
// published list of records skips unchanged values). `completedAt` travels in
// JSON as seconds since 2001-01-01 00:00:00 UTC.
// A plain value: any thread. decode() throws DecodingError, encode()
// EncodingError.

#include "library/download_quality.h"
#include "library/json_coding.h"
#include "library/song.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace sorvalind {

struct DownloadRecord {
    Song song;
    DownloadQuality quality = DownloadQuality::original;
    // File-system path of the downloaded file.
    std::string path;
    // Size of the file in bytes.
    std::int64_t bytes = 0;
    std::chrono::system_clock::time_point completedAt;

    // The song's id, ":" and the quality's raw value ("42:mp3_320"): one
    // record per song and quality.
    std::string id() const;

    friend bool operator==(const DownloadRecord&, const DownloadRecord&) = default;

    static DownloadRecord decode(const JSONElement& json);
    nlohmann::json encode() const;
};

} // namespace sorvalind
