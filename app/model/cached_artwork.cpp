#include "model/cached_artwork.h"

#include <utility>

namespace sorvalind {

AppEnvironment::ArtworkFactory makeCachedArtworkFactory(Executor& mainActor, Executor& workers,
                                                        const SteadyClock& clock,
                                                        std::shared_ptr<const ImageDecoder> decoder) {
    return [&mainActor, &workers, &clock, decoder = std::move(decoder)](
               const std::filesystem::path& root) -> std::unique_ptr<ArtworkSource> {
        return std::make_unique<CachedArtwork>(ArtworkCache::make(root, workers, clock, decoder), mainActor);
    };
}

} // namespace sorvalind
