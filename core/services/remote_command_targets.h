#pragma once
// The bookkeeping every RemoteCommandCenter backend needs: handlers by
// command in registration order, tokens, enabled states, and dispatch.
// Same thread rules as the interface: one executor; dispatch() calls the
// handlers on the caller's thread, so a backend dispatches from the thread it
// registers on. dispatch() passes a handler's exception on.

#include "services/remote_command_center.h"

#include <array>
#include <vector>

namespace sorvalind {

class RemoteCommandTargets {
public:
    RemoteCommandToken add(RemoteCommand command, RemoteCommandHandler handler);
    // True when the token named a handler.
    bool remove(RemoteCommandToken token);
    void setEnabled(RemoteCommand command, bool enabled) noexcept;

    bool isEnabled(RemoteCommand command) const noexcept;
    bool hasTarget(RemoteCommand command) const noexcept;
    // Enabled and with at least one handler: what the user may use.
    bool isAvailable(RemoteCommand command) const noexcept {
        return isEnabled(command) && hasTarget(command);
    }
    std::size_t count() const noexcept { return targets_.size(); }

    // Calls every handler of the event's command, in registration order;
    // success when any of them succeeded. A disabled command or one without
    // a handler fails without calling anything.
    RemoteCommandStatus dispatch(const RemoteCommandEvent& event);

private:
    struct Target {
        RemoteCommandToken token;
        RemoteCommand command;
        RemoteCommandHandler handler;
    };
    std::vector<Target> targets_;
    std::array<bool, 7> enabled_{true, true, true, true, true, true, true};
    RemoteCommandToken nextToken_ = 1;
};

} // namespace sorvalind
