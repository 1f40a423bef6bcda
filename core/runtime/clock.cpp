#include "runtime/clock.h"

namespace sorvalind {
namespace {

class SystemSteadyClock final : public SteadyClock {
public:
    SteadyTime now() const noexcept override { return std::chrono::steady_clock::now(); }
};

class SystemWallClock final : public WallClock {
public:
    WallTime now() const noexcept override { return std::chrono::system_clock::now(); }
};

} // namespace

const SteadyClock& systemSteadyClock() noexcept {
    static const SystemSteadyClock clock;
    return clock;
}

const WallClock& systemWallClock() noexcept {
    static const SystemWallClock clock;
    return clock;
}

} // namespace sorvalind
