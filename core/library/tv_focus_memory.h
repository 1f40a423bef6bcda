#pragma once
// Remembers the current tab and the content row to come back to, and answers
// where the down and up keys of the remote lead from the current focus.
// Plain value; any thread. Nothing here throws except on allocation failure.

#include "library/tv_focus.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

class TVFocusMemory {
public:
    TVFocusMemory(std::string tab, std::string contentID)
        : tab(std::move(tab)), contentID_(std::move(contentID)) {}

    // The current tab; the front end sets it when the user switches tabs.
    std::string tab;

    // The content row that down (from the bar) and up (from the player) return to.
    const std::string& contentID() const noexcept { return contentID_; }

    // Only a content focus is worth coming back to; tabs and player controls
    // leave the remembered row alone.
    void remember(const std::optional<TVFocus>& focus);

    TVFocus down(const std::optional<TVFocus>& from, bool playerAvailable) const;
    TVFocus up(const std::optional<TVFocus>& from) const;

    // Keeps the remembered row valid after the rows changed: a row that is
    // gone gives way to the first row, or to "empty" when there is none.
    void reconcile(const std::vector<std::string>& contentIDs);

private:
    std::string contentID_;
};

} // namespace sorvalind
