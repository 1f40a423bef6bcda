#include "credential_helper.h"

#include "credentials/credential_helper_service.h"
#include "credentials/credential_peer_verification.h"
#include "credentials/credential_store.h"
#include "platform/secret/secret_service_keychain.h"

#include <cerrno>
#include <csignal>
#include <string>

#include <unistd.h>

namespace sorvalind {
namespace {

// Reads standard input to its end, but never more than one byte past the
// limit: a larger request is refused without being taken in whole.
std::string readRequest() {
    std::string input;
    char buffer[16384];
    while (input.size() <= credentialHelperMessageLimit) {
        std::size_t room = credentialHelperMessageLimit + 1 - input.size();
        ssize_t got = ::read(0, buffer, room < sizeof buffer ? room : sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            throw CredentialError::verification();
        }
        input.append(buffer, static_cast<std::size_t>(got));
    }
    return input;
}

} // namespace

void CredentialHelper::main() noexcept {
    // A parent that has stopped listening only loses the answer.
    std::signal(SIGPIPE, SIG_IGN);
    CredentialHelperResponse response;
    try {
        CredentialPeerVerification::verifyParent();
        std::string input = readRequest();
        SecretServiceKeychain keychain;
        CredentialStore store(keychain, CredentialStore::Build::helper);
        response = answerCredentialHelperInput(store, input);
    } catch (...) {
        response = credentialHelperFailure(std::current_exception());
    }
    respond(response);
}

void CredentialHelper::respond(const CredentialHelperResponse& response) noexcept {
    try {
        std::string bytes = encode(response);
        ssize_t written = ::write(1, bytes.data(), bytes.size());
        (void)written;
    } catch (...) {
    }
}

} // namespace sorvalind
