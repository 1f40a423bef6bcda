#pragma once
// What the edit push remembers of the edits the server refused: how many
// pushes refused each queued edit (by its identifier and value), so that an
// edit refused in `limit` pushes is dropped instead of being sent for ever.
// The counts live in memory for the life of the engine; a changed value
// starts a fresh count. Not thread-safe: the engine's push queue alone uses
// it. Throws std::bad_alloc only.
//
// serverState() reads the edited item back from the server ("getSong",
// "getAlbum" or "getArtist"): a refusal often means the server already holds
// the value (a repeated star, or an earlier request whose answer was lost).

#include "server/api_client.h"
#include "store/library_repository.h"

#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace sorvalind {

class EditRefusals {
public:
    static constexpr int limit = 3;

    // Counts one more refusing push for `edit`; true when that makes `limit`.
    bool refused(const LibraryRepository::PendingEdit& edit);
    // Forgets `edit` (it was sent, acknowledged or dropped).
    void forget(const LibraryRepository::PendingEdit& edit);
    // Forgets every edit that is no longer queued.
    void keepOnly(const std::vector<LibraryRepository::PendingEdit>& queued);

private:
    struct Count {
        std::int64_t value;
        int pushes;
    };
    std::map<std::string, Count> counts_;
};

// The item as the server holds it now.
struct ServerItemState {
    bool holdsEdit = false; // starred for a star, not starred for an unstar, the same rating
    std::string name;       // its title or name
};

// Reads the item of `edit` from the server. Throws what APIClient::request()
// throws and DecodingError for an answer that is not the item.
ServerItemState serverState(APIClient& api, const LibraryRepository::PendingEdit& edit, std::stop_token stop);

} // namespace sorvalind
