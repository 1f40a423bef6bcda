#include "songs/player_bar_actions.h"

#include "model/app_model.h"
#include "model/playback_control.h"
#include "playback/playback_controller.h"

namespace sorvalind {
namespace {

template <class F> std::function<void()> onController(std::weak_ptr<AppModel> weak, F f) {
    return [weak = std::move(weak), f] {
        if (const auto model = weak.lock())
            if (PlaybackController* controller = model->playback().controller()) f(*controller);
    };
}

} // namespace

PlayerBarActions modelPlayerBarActions(const std::shared_ptr<AppModel>& model) {
    std::weak_ptr<AppModel> weak = model;
    PlayerBarActions actions;
    actions.toggleShuffle = onController(weak, [](PlaybackController& c) { c.toggleShuffle(); });
    actions.previous = onController(weak, [](PlaybackController& c) { c.previous(); });
    actions.toggle = onController(weak, [](PlaybackController& c) { c.toggle(); });
    actions.next = onController(weak, [](PlaybackController& c) { c.next(); });
    actions.cycleRepeat = onController(weak, [](PlaybackController& c) { c.cycleRepeat(); });
    actions.seek = [weak](double seconds) {
        onController(weak, [seconds](PlaybackController& c) { c.seek(seconds); })();
    };
    actions.setVolume = [weak](double volume) {
        onController(weak, [volume](PlaybackController& c) { c.setVolume(volume); })();
    };
    actions.showAlbum = [weak](const Song& song) {
        if (const auto model = weak.lock()) model->showAlbum(song);
    };
    actions.favorite = [weak](const Song& song) {
        if (const auto model = weak.lock()) model->favorite(song);
    };
    actions.showDetails = [weak](const Song& song) {
        if (const auto model = weak.lock()) model->setDetailsSong(song);
    };
    actions.setQueuePresented = [weak](bool presented) {
        if (const auto model = weak.lock()) model->setQueuePresented(presented);
    };
    return actions;
}

} // namespace sorvalind
