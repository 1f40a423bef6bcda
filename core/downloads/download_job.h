#pragma once
// One song queued for offline listening in one quality, while it waits, runs,
// is paused or has failed. The manager keeps the queue as a list of jobs and
// stores it as a JSON array under the state key "downloadJobs"; a finished
// job leaves the queue and becomes a DownloadRecord with the same id().
//
// Status texts are compared exactly, letter case included. `error` is never
// stored. A plain value: any thread. decode() throws DecodingError, encode()
// EncodingError.

#include "library/download_quality.h"
#include "library/song.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

struct DownloadJob {
    static constexpr std::string_view waiting = "Waiting";
    static constexpr std::string_view downloading = "Downloading";
    static constexpr std::string_view verifying = "Verifying";
    static constexpr std::string_view paused = "Paused";
    static constexpr std::string_view failed = "Failed";

    DownloadJob() = default;
    DownloadJob(Song jobSong, DownloadQuality jobQuality) : song(std::move(jobSong)), quality(jobQuality) {}

    Song song;
    DownloadQuality quality = DownloadQuality::original;
    // Fraction of the transfer done, 0 to 1; 1 once verification starts.
    double progress = 0;
    std::string status = std::string(waiting);
    // The user-facing failure text, set with "Failed".
    std::optional<std::string> error;
    std::optional<std::int64_t> receivedBytes;
    // None when the server gives no length.
    std::optional<std::int64_t> expectedBytes;
    // Whether the job may return to "Waiting" without the user: true once
    // started, retried or paused for lost connectivity; false after a user
    // pause; none on a job that never ran.
    std::optional<bool> resumeAutomatically;

    // The song's id, ":" and the quality's raw value.
    std::string id() const;
    // "Downloading" or "Verifying".
    bool isActive() const noexcept;
    // The line shown under the song: the status, "Waiting for server…" while
    // downloading before the first byte, else "Downloading · 3.2 MB received".
    std::string statusDescription() const;

    // Every field, so that a published queue skips unchanged values.
    friend bool operator==(const DownloadJob&, const DownloadJob&) = default;

    static DownloadJob decode(const JSONElement& json);
    nlohmann::json encode() const;
};

} // namespace sorvalind
