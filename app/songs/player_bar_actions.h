#pragma once
// What the player bar's controls do, as one set of calls: by default the
// model's playback controller and the model itself, so that the bar holds
// no playback logic of its own.
//
// GUI thread only.

#include "library/song.h"

#include <functional>
#include <memory>

namespace sorvalind {

class AppModel;

struct PlayerBarActions {
    std::function<void()> toggleShuffle;
    std::function<void()> previous;
    std::function<void()> toggle;
    std::function<void()> next;
    std::function<void()> cycleRepeat;
    std::function<void(double seconds)> seek;
    std::function<void(double volume)> setVolume;
    std::function<void(const Song&)> showAlbum;
    std::function<void(const Song&)> favorite;
    std::function<void(const Song&)> showDetails;
    std::function<void(bool presented)> setQueuePresented;
};

// Calls on the model and its controller; each does nothing once the model
// is gone or while it has no controller.
PlayerBarActions modelPlayerBarActions(const std::shared_ptr<AppModel>& model);

} // namespace sorvalind
