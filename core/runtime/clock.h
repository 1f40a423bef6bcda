#pragma once
// Time sources. Steady time (monotonic, never jumps) drives timers, debounces
// and task loops; wall time is only for timestamps shown or stored. Both are
// injected wherever they are read so that tests run on a VirtualClock.
// Any thread; nothing here throws.

#include <chrono>

namespace sorvalind {

using SteadyTime = std::chrono::steady_clock::time_point;
using SteadyDuration = std::chrono::steady_clock::duration;
using WallTime = std::chrono::system_clock::time_point;

class SteadyClock {
public:
    virtual ~SteadyClock() = default;
    virtual SteadyTime now() const noexcept = 0;
};

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual WallTime now() const noexcept = 0;
};

// The process-wide real clocks (std::chrono::steady_clock / system_clock).
const SteadyClock& systemSteadyClock() noexcept;
const WallClock& systemWallClock() noexcept;

} // namespace sorvalind
