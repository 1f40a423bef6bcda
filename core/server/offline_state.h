#pragma once
// Turns a jittery connectivity signal into a stable offline flag: a loss must
// last `disconnectionDelay` and a recovery `recoveryDelay` before the flag
// changes. A plain value without synchronisation; its owner keeps it on the
// main actor. Nothing here throws.

#include <chrono>
#include <optional>

namespace sorvalind {

class OfflineState {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::seconds disconnectionDelay{10};
    static constexpr std::chrono::seconds recoveryDelay{2};

    OfflineState() noexcept = default;

    bool isOffline() const noexcept { return isOffline_; }
    bool connectionAvailable() const noexcept { return connectionAvailable_; }

    // Records the latest connectivity. A report equal to the current one
    // neither restarts nor cancels a waiting change.
    void connectionChanged(bool available, Clock::time_point now) noexcept;

    // Commits the waiting change once it has waited its delay. The commit
    // writes the flag from the latest report, even when it equals the flag.
    void update(Clock::time_point now) noexcept;

    friend bool operator==(const OfflineState&, const OfflineState&) noexcept = default;

private:
    bool isOffline_ = false;
    bool connectionAvailable_ = true;
    std::optional<Clock::time_point> changedAt_;
};

} // namespace sorvalind
