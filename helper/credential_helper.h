#pragma once
// The credential helper program: checks its parent, reads one request from
// standard input (at most the message limit), answers it on the Secret
// Service keyring and writes one response to standard output. It takes no
// argument, reads no environment variable and writes nothing to standard
// error. Single-threaded; throws nothing.

#include "credentials/credential_helper_protocol.h"

namespace sorvalind {

class CredentialHelper {
public:
    // The whole run; the process then exits with status 0.
    static void main() noexcept;

private:
    static void respond(const CredentialHelperResponse& response) noexcept;
};

} // namespace sorvalind
