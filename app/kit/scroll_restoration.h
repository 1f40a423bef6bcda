#pragma once
// A browse page's scroll offset kept per page, search text and section, and
// put back when the page comes again. Created for one key: when an offset
// above 0 was saved for it, the state collects geometry until the page is
// ready, laid out (positive height and viewport) and its key still current,
// then asks once to scroll to the saved offset clamped to what the content
// allows; otherwise it is restored from the start. Once restored, every
// change of the offset is saved (an overscroll above the top as 0) while the
// page is ready and the key current. A key that is no longer current neither
// saves nor restores.
//
// Main actor (GUI thread) only; the offsets belong to the model.

#include "model/browse_scroll_key.h"

#include <functional>
#include <optional>
#include <unordered_map>

namespace sorvalind {

class ScrollRestoration {
public:
    using Offsets = std::unordered_map<BrowseScrollKey, double, BrowseScrollKeyHash>;
    using IsCurrent = std::function<bool(const BrowseScrollKey&)>;

    struct Geometry {
        double offset = 0;   // the content's vertical offset
        double height = 0;   // the content's height
        double viewport = 0; // the visible height

        friend bool operator==(const Geometry&, const Geometry&) = default;
    };

    ScrollRestoration(BrowseScrollKey key, Offsets& offsets, IsCurrent isCurrent);

    // Each answers the offset to scroll to when restoring happens now.
    std::optional<double> geometryChanged(const Geometry& geometry);
    std::optional<double> setReady(bool ready);

    const BrowseScrollKey& key() const noexcept { return key_; }
    bool isRestored() const noexcept { return restored_; }
    bool restoresOffset() const noexcept { return restoresOffset_; }
    bool isReady() const noexcept { return ready_; }

private:
    std::optional<double> tryRestore();

    BrowseScrollKey key_;
    Offsets& offsets_;
    IsCurrent isCurrent_;
    bool restoresOffset_;
    bool restored_;
    bool ready_ = false;
    std::optional<Geometry> derived_;
    std::optional<Geometry> restorationGeometry_;
};

} // namespace sorvalind
