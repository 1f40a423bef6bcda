#pragma once
// The model's artwork seam over the cover-art cache, and the factory the
// application and the tests hand to AppEnvironment::makeArtwork.

#include "model/app_environment.h"
#include "model/artwork_cache.h"
#include "model/artwork_source.h"

#include <memory>

namespace sorvalind {

class CachedArtwork final : public ArtworkSource {
public:
    CachedArtwork(std::shared_ptr<ArtworkCache> cache, Executor& mainActor)
        : cache_(std::move(cache)), mainActor_(mainActor) {}

    ArtworkCache& cache() noexcept { return *cache_; }

    void data(const std::string& id, std::shared_ptr<APIClient> api, Reply reply) override {
        cache_->data(id, std::move(api), mainActor_, std::move(reply));
    }
    DecodedImagePointer cachedImage(const std::string& id) const override { return cache_->cachedImage(id); }
    void image(const std::string& id, std::shared_ptr<APIClient> api, ImageReply reply) override {
        cache_->image(id, std::move(api), mainActor_, std::move(reply));
    }
    TaskHandle shutdown() override { return cache_->shutdown(); }

private:
    std::shared_ptr<ArtworkCache> cache_;
    Executor& mainActor_;
};

// Each call makes one cache over the given folder; replies reach the main
// actor. The references must outlive every model made with it.
AppEnvironment::ArtworkFactory makeCachedArtworkFactory(Executor& mainActor, Executor& workers,
                                                        const SteadyClock& clock,
                                                        std::shared_ptr<const ImageDecoder> decoder);

} // namespace sorvalind
