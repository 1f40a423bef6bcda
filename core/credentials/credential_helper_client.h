#pragma once
// The application's side of the credential helper: decides whether the
// helper is used, checks that the helper beside the application is the
// genuine one, starts it from the very file it checked, and turns its answer
// into a value or a CredentialError.
//
// Any thread; helperRequest blocks until the helper has been reaped. Throws
// CredentialError (see helperRequest).

#include "credentials/credential_helper_protocol.h"
#include "platform/secret/keychain.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

// What the running program says about itself: its compiled-in application id
// and the configuration switch "SorvalindCredentialHelperEnabled" (off unless
// the configuration turns it on).
struct CredentialHelperGate {
    std::string applicationId;
    bool helperEnabled = false;
};

class CredentialHelperClient {
public:
    static constexpr std::string_view applicationId = "nl.pwelkin.sorvalind";
    static constexpr std::string_view configurationKey = "SorvalindCredentialHelperEnabled";
    // The helper's environment: this, and the address of the session bus.
    static constexpr std::string_view childPath = "PATH=/usr/bin:/bin:/usr/sbin:/sbin";

    struct Options {
        // Where the helper and its trust manifest live; empty means the
        // folder of the running program's own executable.
        std::filesystem::path helperDirectory;
        // A helper that has not answered by then is killed. A request that
        // may bring up a keyring unlock prompt waits for the user, longer.
        std::chrono::milliseconds timeout{std::chrono::seconds(15)};
        std::chrono::milliseconds interactiveTimeout{std::chrono::seconds(120)};
    };

    explicit CredentialHelperClient(CredentialHelperGate gate)
        : CredentialHelperClient(std::move(gate), Options{}) {}
    CredentialHelperClient(CredentialHelperGate gate, Options options) noexcept
        : gate_(std::move(gate)), options_(std::move(options)) {}

    // The helper is used only for the application itself, with the switch
    // on, when the in-process store would use the desktop keyring.
    bool inUse(KeychainBackend backend) const noexcept;

    // None when the helper is not in use; otherwise the answer's value.
    // Throws CredentialError::verification when the helper is missing or not
    // genuine, cannot be run, overruns the time or size limits, exits with a
    // status other than 0, or answers something undecodable or neither key;
    // CredentialError::status with the answer's "status" when it has one.
    std::optional<std::string> helperRequest(const CredentialHelperRequest& request,
                                             KeychainBackend backend) const;

    // The exchange without the gate: checks and starts the helper, sends the
    // bytes, returns its output and exit status (see runHelperProcess).
    struct RawAnswer {
        std::string output;
        int exitStatus = -1;
    };
    // `prompting`: the helper may wait for the user at an unlock prompt, so
    // it gets the interactive time limit.
    RawAnswer exchange(std::string_view input, bool prompting) const;

    // Whether the helper may show an unlock prompt for this request.
    static bool mayPrompt(const CredentialHelperRequest& request) noexcept;

    // Turns a finished run into the answer's value or a CredentialError.
    static std::string interpret(const RawAnswer& answer);

private:
    CredentialHelperGate gate_;
    Options options_;
};

} // namespace sorvalind
