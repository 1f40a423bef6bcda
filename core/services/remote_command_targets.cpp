#include "services/remote_command_targets.h"

#include <algorithm>

namespace sorvalind {

RemoteCommandToken RemoteCommandTargets::add(RemoteCommand command, RemoteCommandHandler handler) {
    RemoteCommandToken token = nextToken_++;
    targets_.push_back({token, command, std::move(handler)});
    return token;
}

bool RemoteCommandTargets::remove(RemoteCommandToken token) {
    return std::erase_if(targets_, [&](const Target& target) { return target.token == token; }) > 0;
}

void RemoteCommandTargets::setEnabled(RemoteCommand command, bool enabled) noexcept {
    enabled_[static_cast<std::size_t>(command)] = enabled;
}

bool RemoteCommandTargets::isEnabled(RemoteCommand command) const noexcept {
    return enabled_[static_cast<std::size_t>(command)];
}

bool RemoteCommandTargets::hasTarget(RemoteCommand command) const noexcept {
    return std::any_of(targets_.begin(), targets_.end(),
                       [&](const Target& target) { return target.command == command; });
}

RemoteCommandStatus RemoteCommandTargets::dispatch(const RemoteCommandEvent& event) {
    if (!isEnabled(event.command)) return RemoteCommandStatus::commandFailed;
    // A copy: a handler may add or remove targets while it runs.
    std::vector<RemoteCommandHandler> handlers;
    for (const Target& target : targets_)
        if (target.command == event.command) handlers.push_back(target.handler);
    bool succeeded = false;
    for (const RemoteCommandHandler& handler : handlers)
        succeeded = handler(event) == RemoteCommandStatus::success || succeeded;
    return succeeded ? RemoteCommandStatus::success : RemoteCommandStatus::commandFailed;
}

} // namespace sorvalind
