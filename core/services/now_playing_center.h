#pragma once
// The system's now-playing display: what the playback controller shows of the
// current song. The desktop backend is MPRIS (app/platform); tests record.
//
// Main actor only. publish() throws nothing but memory exhaustion; a backend
// that cannot reach its display drops the update.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

// Encoded image bytes (JPEG, PNG, ...) exactly as the artwork source gave
// them; shared, so repeated updates of one song do not copy them. The
// backend checks them before it decodes or shows them.
using ArtworkBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

struct NowPlayingInfo {
    // The queue entry's identifier: the same song queued twice is two tracks.
    std::string entryID;
    std::string title;
    std::string artist;
    std::string album;   // empty when unknown
    double duration = 0; // seconds; 0 when unknown
    double elapsed = 0;  // seconds into the song
    // Playing and not buffering: the display advances the position (rate 1)
    // only then.
    bool playing = false;
    ArtworkBytes artwork; // none while there is no artwork

    bool operator==(const NowPlayingInfo&) const = default;
};

class NowPlayingCenter {
public:
    virtual ~NowPlayingCenter() = default;
    // The whole state at once, so a backend can announce it as one change;
    // none clears the display (nothing is current).
    virtual void publish(const std::optional<NowPlayingInfo>& info) = 0;
};

} // namespace sorvalind
