#include "library/tv_browse_snapshot.h"

#include "library/tv_browse_cancellation.h"
#include "platform/crypto/digest.h"
#include "platform/text/text.h"

#include <algorithm>
#include <limits>

namespace sorvalind {

std::string tvTitle(SongSort sort) {
    switch (sort) {
    case SongSort::title:
        return "Title";
    case SongSort::artist:
        return "Artist";
    case SongSort::album:
        return "Album";
    case SongSort::added:
        return "Recently added";
    case SongSort::played:
        return "Recently played";
    case SongSort::playCount:
        return "Most played";
    }
    return "Title";
}

TVBrowseSnapshot::TVBrowseSnapshot() : generation_(randomUUID()), contentIDs_{"empty"} {}

TVBrowseSnapshot::TVBrowseSnapshot(std::vector<TVBrowseItem> items, const std::stop_token& cancel)
    : generation_(randomUUID()), items_(std::move(items)) {
    contentIDs_.reserve(std::max<std::size_t>(items_.size(), 1));
    for (std::size_t i = 0; i < items_.size(); ++i) {
        tv_browse::checkCancelled(cancel, i);
        contentIDs_.push_back(items_[i].id());
    }
    if (contentIDs_.empty()) contentIDs_.emplace_back("empty");
    indexByID.reserve(contentIDs_.size());
    for (std::size_t i = 0; i < contentIDs_.size(); ++i)
        indexByID.insert_or_assign(text::nfc(contentIDs_[i]), i);
}

std::optional<std::string> TVBrowseSnapshot::neighbor(std::string_view id, std::int64_t offset) const {
    if (auto found = indexByID.find(text::nfc(id)); found != indexByID.end()) {
        const std::size_t position = found->second;
        const std::size_t last = contentIDs_.size() - 1;
        // Work with the step's magnitude so that no offset, however large,
        // can overflow: the move simply stops at the first or last row.
        const std::uint64_t magnitude = offset < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(offset)
                                                   : static_cast<std::uint64_t>(offset);
        const std::size_t target = offset < 0
                                       ? position - std::min<std::uint64_t>(magnitude, position)
                                       : position + std::min<std::uint64_t>(magnitude, last - position);
        return contentIDs_[target];
    }
    if (id == "empty" && items_.empty()) return std::string("empty");
    return std::nullopt;
}

} // namespace sorvalind
