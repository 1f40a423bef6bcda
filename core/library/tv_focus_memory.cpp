#include "library/tv_focus_memory.h"

#include <algorithm>

namespace sorvalind {

void TVFocusMemory::remember(const std::optional<TVFocus>& focus) {
    if (focus && focus->kind() == TVFocus::Kind::content) contentID_ = focus->payload();
}

TVFocus TVFocusMemory::down(const std::optional<TVFocus>& from, bool playerAvailable) const {
    if (from && from->kind() == TVFocus::Kind::navigation) return TVFocus::content(contentID_);
    // The stacked track-list actions sit above one another, so down walks
    // from "Play all" to "Shuffle" before it ever reaches the player.
    if (from && from->isContent("playAll")) return TVFocus::content("shuffleAll");
    if (!playerAvailable) return TVFocus::content(contentID_);
    if (from && from->isPlayer("seek")) return TVFocus::player("play");
    if (from && from->kind() == TVFocus::Kind::player) return TVFocus::player("seek");
    return TVFocus::player("play");
}

TVFocus TVFocusMemory::up(const std::optional<TVFocus>& from) const {
    if (!from) return TVFocus::navigation(tab);
    switch (from->kind()) {
    case TVFocus::Kind::content:
        if (from->payload() == "shuffleAll" || from->payload() == "queueAll")
            return TVFocus::content("playAll");
        return TVFocus::navigation(tab);
    case TVFocus::Kind::player:
        return TVFocus::content(contentID_);
    case TVFocus::Kind::navigation:
        break;
    }
    return TVFocus::navigation(tab);
}

void TVFocusMemory::reconcile(const std::vector<std::string>& contentIDs) {
    if (std::find(contentIDs.begin(), contentIDs.end(), contentID_) != contentIDs.end()) return;
    contentID_ = contentIDs.empty() ? std::string("empty") : contentIDs.front();
}

} // namespace sorvalind
