#pragma once
// Recording stand-ins for the system's now-playing display and remote
// commands: tests read what was published and fire commands as the desktop
// would. Main actor only, like the interfaces.

#include "services/now_playing_center.h"
#include "services/remote_command_center.h"
#include "services/remote_command_targets.h"

#include <optional>
#include <vector>

namespace sorvalind {

class RecordingNowPlayingCenter final : public NowPlayingCenter {
public:
    void publish(const std::optional<NowPlayingInfo>& info) override { published.push_back(info); }

    // The latest state; none before the first publish and after a clear.
    std::optional<NowPlayingInfo> latest() const {
        return published.empty() ? std::nullopt : published.back();
    }

    std::vector<std::optional<NowPlayingInfo>> published;
};

class RecordingRemoteCommandCenter final : public RemoteCommandCenter {
public:
    RemoteCommandToken addTarget(RemoteCommand command, RemoteCommandHandler handler) override;
    void removeTarget(RemoteCommandToken token) override;
    void setEnabled(RemoteCommand command, bool enabled) override;

    // Fires a command as a media key would; the handlers' answer.
    RemoteCommandStatus send(RemoteCommand command, std::optional<double> positionTime = std::nullopt);

    bool isEnabled(RemoteCommand command) const noexcept { return targets_.isEnabled(command); }
    bool hasTarget(RemoteCommand command) const noexcept { return targets_.hasTarget(command); }
    std::size_t targetCount() const noexcept { return targets_.count(); }
    // Every enabled state set, in order.
    std::vector<std::pair<RemoteCommand, bool>> enabledChanges;

private:
    RemoteCommandTargets targets_;
};

} // namespace sorvalind
