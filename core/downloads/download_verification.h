#pragma once
// Checks a transferred file by decoding it completely and comparing it with
// what the server listed for the song, then moves it into the download root
// under a new name. What the worker runs off the main actor once a transfer
// has its file; it touches nothing but its arguments.
//
// Any thread (blocking: the whole file is decoded). Throws
// CancellationError when `stop` is requested (checked before it starts,
// after every decoded buffer and at the end of the stream);
// AudioFailure::invalidResponse for a size or FLAC format that differs from
// the song's, or a file that decodes to nothing; the decoder's own failure
// when it cannot open the file; APIError::unavailable with mp3Unavailable,
// originalCodecChanged, incompleteDownload or bitrateExceeded;
// std::filesystem::filesystem_error for the file operations.

#include "library/download_quality.h"
#include "library/download_record.h"
#include "library/song.h"
#include "platform/ffmpeg/audio_source_format.h"
#include "runtime/clock.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string>

namespace sorvalind {

// The codec an original file with this suffix must hold (compared without
// regard to case), or none when the suffix is not checked.
std::optional<AudioCodec> expectedCodec(std::string_view suffix);

// The format checks: a FLAC original must have the song's sampling rate and
// bit depth when listed (else AudioFailure::invalidResponse); an MP3 quality
// must be MPEG layer 3 (else mp3Unavailable); an original whose suffix is in
// the table must hold that codec, where "m4a" in any letter case also
// admits Apple Lossless (else originalCodecChanged).
void checkSourceFormat(const AudioSourceFormat& format, const Song& song, DownloadQuality quality);

// The extension of a stored file: "mp3" for the MP3 qualities; for the
// original the song's suffix as listed, or "audio" when it has none, is
// longer than 10 characters or holds anything but letters, marks and
// numbers (so a name can never leave the root or hide as a dot file).
std::string storedExtension(const Song& song, DownloadQuality quality);

// Moves `from` to `to` (a new name): a rename, or across file systems a copy
// to a hidden name beside `to`, flushed to disk, renamed into place, and the
// source removed. The folder of `to` is flushed too. Throws
// std::filesystem::filesystem_error; a failed copy leaves nothing at `to`.
void moveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to);

DownloadRecord verifyAndFinalize(const std::filesystem::path& temporary, const Song& song,
                                 DownloadQuality quality, const std::filesystem::path& root,
                                 std::stop_token stop, const WallClock& wallClock = systemWallClock());

} // namespace sorvalind
