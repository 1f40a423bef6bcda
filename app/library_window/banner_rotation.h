#pragma once
// The featured banner's slideshow: whether it turns, and the 8-second wait
// before the next album. The wait starts again from zero on every change of
// the selected album or of whether the slideshow turns; a wait that was
// overtaken by such a change does nothing when it ends (the executor cannot
// take a task back).
//
// Executor's thread only (the GUI thread in the window).

#include "runtime/executor.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

struct RotationInputs {
    std::size_t albumCount = 0;
    bool paused = false;
    bool hovering = false;
    bool reduceMotion = false;
    bool playing = false;
    bool active = true;
    bool shown = true;
};

bool isRotating(const RotationInputs& inputs) noexcept;

class BannerRotation {
public:
    static constexpr std::chrono::seconds kWait{8};

    // `advance` runs when a wait ends unchanged.
    BannerRotation(Executor& executor, std::function<void()> advance);
    ~BannerRotation();
    BannerRotation(const BannerRotation&) = delete;
    BannerRotation& operator=(const BannerRotation&) = delete;

    void update(std::optional<std::string> selectedId, bool rotating);
    bool waiting() const noexcept { return rotating_; }

private:
    Executor& executor_;
    std::function<void()> advance_;
    std::shared_ptr<std::uint64_t> generation_;
    std::optional<std::string> selectedId_;
    bool rotating_ = false;
    bool started_ = false;
};

} // namespace sorvalind
