#pragma once
// One focusable row of the remote-control front end: two lines of text, the
// artwork or symbol shown beside them, and the favourite and rating marks.
// Plain value; any thread. Nothing here throws except on allocation failure.

#include <cstdint>
#include <optional>
#include <string>

namespace sorvalind {

class TVBrowseItem {
public:
    TVBrowseItem(std::string id, std::string title, std::string subtitle)
        : id_(std::move(id)), title_(std::move(title)), subtitle_(std::move(subtitle)) {}

    // The row's identity within its snapshot; the focus moves by it.
    const std::string& id() const noexcept { return id_; }
    const std::string& title() const noexcept { return title_; }
    const std::string& subtitle() const noexcept { return subtitle_; }

    // Cover-art identifier of the library item, if it has one.
    std::optional<std::string> artwork;
    // System symbol shown when there is no artwork.
    std::string symbol = "music.note";
    bool isLiked = false;
    std::optional<std::int64_t> rating;

    // "♥" and "★ n/5" (rating capped at 5, shown from 1 up), joined by "  ·  ".
    std::string annotationText() const;
    // The same marks in words for screen readers, joined by ", ".
    std::string annotationAccessibilityLabel() const;

private:
    std::string id_;
    std::string title_;
    std::string subtitle_;
};

} // namespace sorvalind
