#include "library_window/banner_rotation.h"

namespace sorvalind {

bool isRotating(const RotationInputs& inputs) noexcept {
    return inputs.albumCount > 1 && !inputs.paused && !inputs.hovering && !inputs.reduceMotion &&
           !inputs.playing && inputs.active && inputs.shown;
}

BannerRotation::BannerRotation(Executor& executor, std::function<void()> advance)
    : executor_(executor), advance_(std::move(advance)), generation_(std::make_shared<std::uint64_t>(0)) {}

BannerRotation::~BannerRotation() {
    ++*generation_;
}

void BannerRotation::update(std::optional<std::string> selectedId, bool rotating) {
    if (started_ && selectedId == selectedId_ && rotating == rotating_) return;
    started_ = true;
    selectedId_ = std::move(selectedId);
    rotating_ = rotating;
    const std::uint64_t generation = ++*generation_;
    if (!rotating) return;
    std::weak_ptr<std::uint64_t> weak = generation_;
    executor_.postAfter(kWait, [this, weak, generation] {
        auto current = weak.lock();
        // Gone, or overtaken by a newer selection or slideshow state.
        if (!current || *current != generation) return;
        advance_();
    });
}

} // namespace sorvalind
