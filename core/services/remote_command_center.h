#pragma once
// The system's remote commands (media keys, headphone buttons, the desktop's
// player controls). Whoever plays registers one handler per command it
// serves and removes it again by token when it shuts down; the centre itself
// outlives every registrant. A command without a handler, or disabled, is
// not offered to the user.
//
// Registration, removal and enabling: main actor only. Handlers may be called
// on any thread the backend uses and must return at once (post the action to
// their own executor). Nothing here throws but memory exhaustion.

#include <cstdint>
#include <functional>
#include <optional>

namespace sorvalind {

enum class RemoteCommand : std::uint8_t {
    togglePlayPause,
    play,
    pause,
    stop,
    nextTrack,
    previousTrack,
    changePlaybackPosition,
};

enum class RemoteCommandStatus : std::uint8_t { success, commandFailed };

struct RemoteCommandEvent {
    RemoteCommand command;
    // Seconds into the current song; set for changePlaybackPosition only.
    std::optional<double> positionTime;
};

using RemoteCommandHandler = std::function<RemoteCommandStatus(const RemoteCommandEvent&)>;
using RemoteCommandToken = std::uint64_t;

class RemoteCommandCenter {
public:
    virtual ~RemoteCommandCenter() = default;
    // Commands start enabled.
    virtual RemoteCommandToken addTarget(RemoteCommand command, RemoteCommandHandler handler) = 0;
    // An unknown or already removed token is ignored.
    virtual void removeTarget(RemoteCommandToken token) = 0;
    virtual void setEnabled(RemoteCommand command, bool enabled) = 0;
};

} // namespace sorvalind
