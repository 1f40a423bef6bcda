#pragma once
// What the model and its views need of the cover-art cache: bytes or a
// decoded thumbnail by cover-art identifier (memory, the per-server "Artwork"
// folder, else the server through the given client) and an orderly end. The
// environment's artwork factory makes the model's one cache (see
// app_environment.h). Main actor only; replies run there too.

#include "model/image_decoder.h"
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
    // Runs on the main actor, once, with the thumbnail or null on any failure.
    using ImageReply = std::function<void(DecodedImagePointer)>;

    virtual ~ArtworkSource() = default;
    // `api` may be null: then only the memory and disk tiers answer.
    virtual void data(const std::string& id, std::shared_ptr<APIClient> api, Reply reply) = 0;
    // The decoded thumbnail if memory holds it, without waiting: a view's
    // first paint.
    virtual DecodedImagePointer cachedImage(const std::string& id) const = 0;
    // The decoded thumbnail (at most 400 pixels on the longer side); `api`
    // as for data(). There is no cancelling a request: a view that has moved
    // on to another identifier drops the reply.
    virtual void image(const std::string& id, std::shared_ptr<APIClient> api, ImageReply reply) = 0;
    // Ends once no request of the cache runs any more; later requests answer none.
    virtual TaskHandle shutdown() = 0;
};

} // namespace sorvalind
