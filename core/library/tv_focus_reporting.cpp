#include "library/tv_focus_reporting.h"

namespace sorvalind {

void TVFocusReporting::reportContent(std::string rowID) {
    pendingContentID = std::move(rowID);
}

bool TVFocusReporting::accepts(const std::optional<TVFocus>& focus) {
    if (focus && focus->kind() == TVFocus::Kind::content) {
        if (!pendingContentID) return true;
        if (focus->payload() != *pendingContentID) return false;
    }
    pendingContentID.reset();
    return true;
}

bool TVFocusReporting::acceptsNativeFocus(const std::string& rowID,
                                          const std::optional<std::string>& preferredContentID,
                                          bool movingWithinContent) const noexcept {
    return movingWithinContent || !preferredContentID || rowID == *preferredContentID;
}

} // namespace sorvalind
