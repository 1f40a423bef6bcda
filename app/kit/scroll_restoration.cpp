#include "kit/scroll_restoration.h"

#include <algorithm>

namespace sorvalind {

ScrollRestoration::ScrollRestoration(BrowseScrollKey key, Offsets& offsets, IsCurrent isCurrent)
    : key_(std::move(key)), offsets_(offsets), isCurrent_(std::move(isCurrent)) {
    const auto saved = offsets_.find(key_);
    restoresOffset_ = saved != offsets_.end() && saved->second > 0;
    restored_ = !restoresOffset_;
}

std::optional<double> ScrollRestoration::geometryChanged(const Geometry& geometry) {
    // Height and viewport matter only to a restore: other pages react to the
    // offset alone, so content growing while it loads costs nothing.
    const Geometry derived{geometry.offset, restoresOffset_ ? geometry.height : 0,
                           restoresOffset_ ? geometry.viewport : 0};
    if (derived_ == derived) return std::nullopt;
    derived_ = derived;
    if (!restored_) {
        if (restorationGeometry_ == derived) return std::nullopt;
        restorationGeometry_ = derived;
        return tryRestore();
    }
    if (ready_ && isCurrent_(key_)) offsets_[key_] = std::max(0.0, derived.offset);
    return std::nullopt;
}

std::optional<double> ScrollRestoration::setReady(bool ready) {
    if (ready_ == ready) return std::nullopt;
    ready_ = ready;
    return tryRestore();
}

std::optional<double> ScrollRestoration::tryRestore() {
    if (restored_ || !restorationGeometry_) return std::nullopt;
    const Geometry& geometry = *restorationGeometry_;
    if (!ready_ || !(geometry.viewport > 0) || !(geometry.height > 0)) return std::nullopt;
    if (!isCurrent_(key_)) return std::nullopt;
    const auto saved = offsets_.find(key_);
    const double offset = saved == offsets_.end() ? 0.0 : saved->second;
    restored_ = true;
    return std::min(std::max(0.0, geometry.height - geometry.viewport), offset);
}

} // namespace sorvalind
