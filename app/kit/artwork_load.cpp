#include "kit/artwork_load.h"

namespace sorvalind {

ArtworkLoad::ArtworkLoad(ArtworkSource& source, ClientProvider client)
    : source_(source), client_(std::move(client)) {}

ArtworkLoad::~ArtworkLoad() {
    ++*generation_;
}

void ArtworkLoad::setRequest(Request request) {
    if (request_ == request) return;
    const DecodedImagePointer before = image();
    request_ = std::move(request);
    if (shown_) run();
    notifyIfChanged(before);
}

void ArtworkLoad::setId(std::optional<std::string> id) {
    Request next = request_;
    next.id = std::move(id);
    setRequest(std::move(next));
}

void ArtworkLoad::setConnected(bool connected) {
    Request next = request_;
    next.connected = connected;
    setRequest(std::move(next));
}

void ArtworkLoad::setVisible(bool visible) {
    Request next = request_;
    next.visible = visible;
    setRequest(std::move(next));
}

void ArtworkLoad::show() {
    if (shown_) return;
    const DecodedImagePointer before = image();
    shown_ = true;
    run();
    notifyIfChanged(before);
}

void ArtworkLoad::hide() {
    if (!shown_) return;
    const DecodedImagePointer before = image();
    shown_ = false;
    ++*generation_;
    loading_ = false;
    hold(nullptr, std::nullopt);
    notifyIfChanged(before);
}

DecodedImagePointer ArtworkLoad::image() const {
    return loadedId_ == request_.id ? image_ : nullptr;
}

void ArtworkLoad::run() {
    const std::uint64_t generation = ++*generation_;
    loading_ = false;
    if (!request_.visible) {
        hold(nullptr, std::nullopt);
        return;
    }
    if (loadedId_ != request_.id) hold(nullptr, std::nullopt);
    if (!request_.id) return;
    const std::string id = *request_.id;
    if (DecodedImagePointer cached = source_.cachedImage(id)) {
        hold(std::move(cached), id);
        return;
    }
    loading_ = true;
    source_.image(id, client_ ? client_() : nullptr,
                  [this, id, generation,
                   current = std::weak_ptr<std::uint64_t>(generation_)](DecodedImagePointer image) {
                      const auto alive = current.lock();
                      if (!alive || *alive != generation) return;
                      loading_ = false;
                      if (!image) return;
                      const DecodedImagePointer before = this->image();
                      hold(std::move(image), id);
                      notifyIfChanged(before);
                  });
}

void ArtworkLoad::hold(DecodedImagePointer image, std::optional<std::string> id) {
    image_ = std::move(image);
    loadedId_ = std::move(id);
}

void ArtworkLoad::notifyIfChanged(const DecodedImagePointer& before) {
    if (changed_ && before != image()) changed_();
}

} // namespace sorvalind
