#include "support/recording_now_playing.h"

namespace sorvalind {

RemoteCommandToken RecordingRemoteCommandCenter::addTarget(RemoteCommand command,
                                                           RemoteCommandHandler handler) {
    return targets_.add(command, std::move(handler));
}

void RecordingRemoteCommandCenter::removeTarget(RemoteCommandToken token) {
    targets_.remove(token);
}

void RecordingRemoteCommandCenter::setEnabled(RemoteCommand command, bool enabled) {
    enabledChanges.emplace_back(command, enabled);
    targets_.setEnabled(command, enabled);
}

RemoteCommandStatus RecordingRemoteCommandCenter::send(RemoteCommand command,
                                                       std::optional<double> positionTime) {
    return targets_.dispatch({command, positionTime});
}

} // namespace sorvalind
