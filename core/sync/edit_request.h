#pragma once
// The REST request that carries one queued favourite or rating edit to the
// server: "star"/"unstar" with "id", "albumId" or "artistId" by what was
// edited, "setRating" with "id" and the rating bounded to 0...5. An edit of
// another kind has no request (the push drops it). Pure; any thread; throws
// std::bad_alloc only.

#include "platform/curl/query_item.h"
#include "store/library_repository.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvalind {

struct EditRequest {
    std::string method;
    std::vector<QueryItem> parameters;

    friend bool operator==(const EditRequest&, const EditRequest&) = default;
};

std::optional<EditRequest> editRequest(const LibraryRepository::PendingEdit& edit);

} // namespace sorvalind
