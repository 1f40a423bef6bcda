#include "songs/cover_images.h"

#include "model/app_model.h"
#include "platform/qt_image_decoder.h"

namespace sorvalind {

CoverImages::CoverImages(AppModel* model, std::function<void()> arrived)
    : model_(model), arrived_(std::move(arrived)) {}

QImage CoverImages::image(const std::string& id) {
    if (const auto found = images_.find(id); found != images_.end()) return found->second;
    if (!model_) return {};
    if (DecodedImagePointer cached = model_->artwork().cachedImage(id)) {
        QImage image = qImageOf(cached);
        images_[id] = image;
        return image;
    }
    if (requested_.insert(id).second) {
        std::shared_ptr<APIClient> client = model_->isOffline().value() ? nullptr : model_->api();
        model_->artwork().image(id, std::move(client),
                                [this, id, life = std::weak_ptr<int>(life_)](DecodedImagePointer image) {
                                    if (life.expired() || !image) return;
                                    images_[id] = qImageOf(image);
                                    if (arrived_) arrived_();
                                });
    }
    return {};
}

void CoverImages::retryMissing() {
    std::erase_if(requested_, [&](const std::string& id) { return !images_.contains(id); });
}

} // namespace sorvalind
