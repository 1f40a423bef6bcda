#pragma once
// What the model needs of the cover-art cache: bytes by cover-art identifier
// (memory, the per-server "Artwork" folder, else the server through the
// given client) and an orderly end. The environment's artwork factory makes
// the model's one cache (see app_environment.h). Main actor only.

#include "runtime/task_handle.h"
#include "services/now_playing_center.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

class APIClient;

class ArtworkSource {
public:
    // Runs on the main actor, once, with the bytes or null on any failure.
    using Reply = std::function<void(ArtworkBytes)>;

    virtual ~ArtworkSource() = default;
    // `api` may be null: then only the memory and disk tiers answer.
    virtual void data(const std::string& id, std::shared_ptr<APIClient> api, Reply reply) = 0;
    // Ends once no request of the cache runs any more; later requests answer none.
    virtual TaskHandle shutdown() = 0;
};

} // namespace sorvalind
