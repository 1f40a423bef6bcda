#include "sync/edit_request.h"

#include "runtime/decimal_text.h"

#include <algorithm>

namespace sorvalind {

namespace {

const char* favoriteParameter(LibraryItemKind target) noexcept {
    switch (target) {
    case LibraryItemKind::album:
        return "albumId";
    case LibraryItemKind::artist:
        return "artistId";
    case LibraryItemKind::song:
        break;
    }
    return "id";
}

} // namespace

std::optional<EditRequest> editRequest(const LibraryRepository::PendingEdit& edit) {
    if (edit.kind == "favorite")
        return EditRequest{edit.value == 1 ? "star" : "unstar",
                           {{favoriteParameter(edit.target), edit.itemID}}};
    if (edit.kind == "rating") {
        const std::int64_t rating = std::clamp<std::int64_t>(edit.value, 0, 5);
        return EditRequest{"setRating", {{"id", edit.itemID}, {"rating", decimalText(rating)}}};
    }
    return std::nullopt;
}

} // namespace sorvalind
