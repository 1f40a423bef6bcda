#pragma once
// The helper's check of the process that started it. The parent must run one
// of the executables the trust manifest beside the helper names, under the
// same user, untraced, without LD_PRELOAD, LD_AUDIT or LD_LIBRARY_PATH in its
// environment, and the helper itself must be the one the manifest names.
// Every refusal is the one CredentialError::verification.
// Main thread of the helper; reads only /proc and the manifest.

#include <string_view>

#include <sys/types.h>

namespace sorvalind {

class CredentialPeerVerification {
public:
    static void verifyParent();

    // True when a NUL-separated environment block sets a variable that would
    // load foreign code into the process.
    static bool loadsForeignCode(std::string_view environment) noexcept;

    // True when a /proc/PID/status text shows a process whose real,
    // effective, saved and file-system user ids are all `uid` and that no
    // other process traces. Throws only std::bad_alloc.
    static bool isUntracedProcessOf(std::string_view status, uid_t uid);
};

} // namespace sorvalind
