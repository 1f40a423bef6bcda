#include "platform/secret/keychain.h"

namespace sorvalind {

std::string_view rawValue(KeychainBackend backend) noexcept {
    switch (backend) {
    case KeychainBackend::secretService:
        return "secretService";
    case KeychainBackend::memory:
        return "memory";
    }
    return "memory";
}

} // namespace sorvalind
