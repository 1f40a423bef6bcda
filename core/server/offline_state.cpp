#include "server/offline_state.h"

namespace sorvalind {

void OfflineState::connectionChanged(bool available, Clock::time_point now) noexcept {
    if (available == connectionAvailable_) return;
    connectionAvailable_ = available;
    changedAt_ = now;
}

void OfflineState::update(Clock::time_point now) noexcept {
    if (!changedAt_) return;
    auto delay = connectionAvailable_ ? Clock::duration(recoveryDelay) : Clock::duration(disconnectionDelay);
    if (now - *changedAt_ < delay) return;
    isOffline_ = !connectionAvailable_;
    changedAt_.reset();
}

} // namespace sorvalind
