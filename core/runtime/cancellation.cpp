#include "runtime/cancellation.h"

#include <exception>

namespace sorvalind {

void throwIfCancelled(const std::stop_token& token) {
    if (token.stop_requested()) throw CancellationError();
}

bool isCancellation(const std::exception_ptr& error) noexcept {
    if (!error) return false;
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace sorvalind
