#pragma once
// Decides which focus changes reported by the platform's focus engine the
// front end takes on. After the front end asks for a content row, reports of
// other content rows are stale moves of the engine and are turned down until
// the requested row (or a focus outside the content) arrives.
// Plain value; any thread. Nothing here throws except on allocation failure.

#include "library/tv_focus.h"

#include <optional>
#include <string>

namespace sorvalind {

class TVFocusReporting {
public:
    TVFocusReporting() = default;

    // The front end asked to focus this row and waits for it.
    void reportContent(std::string rowID);

    // Whether to take on the reported focus; a match, or any focus outside
    // the content, ends the wait.
    bool accepts(const std::optional<TVFocus>& focus);

    // Whether to let the platform focus the given row: always while the user
    // moves within the content, otherwise only the preferred row (if any).
    bool acceptsNativeFocus(const std::string& rowID, const std::optional<std::string>& preferredContentID,
                            bool movingWithinContent) const noexcept;

private:
    std::optional<std::string> pendingContentID;
};

} // namespace sorvalind
