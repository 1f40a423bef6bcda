#pragma once
// How the browse builders look for cancellation: at the first element of each
// loop and every 2048 elements after, so that long lists stop promptly without
// paying for a check per row. Calling task only; throws CancellationError.

#include "runtime/cancellation.h"

#include <cstddef>
#include <stop_token>

namespace sorvalind::tv_browse {

inline constexpr std::size_t cancellationStride = 2048;

inline void checkCancelled(const std::stop_token& cancel, std::size_t index) {
    if (index % cancellationStride == 0) throwIfCancelled(cancel);
}

} // namespace sorvalind::tv_browse
