#pragma once
// Which server request plays a song from a given second, and how the player
// gets to that second in it:
//   MP3 quality: a transcoded stream that the server starts at the whole
//     second (needs the server's "transcodeOffset" past 0 s);
//   original quality: the file read by byte ranges, where the decoder seeks,
//     except an MP3 or AAC original past 0 s, which only a server with
//     "transcodeOffset" can start there (as a 320 kbit/s MP3 stream).
// A start the user did not ask for (a resume after a restore or a failure,
// another output, another quality) may instead stream from 0 and let the
// player discard the audio before the position, up to `maximumDiscard`
// seconds, where a server cannot start a stream at an offset.
//
// Any thread (the player calls it on its decoder queue); the client's request
// builders are safe there. Throws APIError::unavailable(transcodeSeek or
// originalSeek) for a start the server cannot serve, and whatever the
// request builders throw.

#include "http/http_request.h"
#include "library/download_quality.h"
#include "library/song.h"
#include "server/api_client.h"

namespace sorvalind {

struct StreamStart {
    HttpRequest request;
    // True: one continuous MP3 stream whose audio begins at `streamStart`
    // seconds of the song. False: read by byte ranges; the decoder seeks.
    bool serverOffset = false;
    double streamStart = 0;
};

// Past this many seconds a discarding start is not worth the transfer: the
// song starts from 0 instead.
inline constexpr double maximumDiscard = 600;

StreamStart remoteSource(const Song& song, double offset, const APIClient& client, bool offsetSupported,
                         DownloadQuality quality, bool mayDiscard = false);

// Whether a stream of the song at `offset` is one the server cannot start
// there itself, so that only discarding reaches the position.
bool needsDiscardingStart(const Song& song, double offset, bool offsetSupported,
                          DownloadQuality quality) noexcept;

} // namespace sorvalind
