#pragma once
// The command-line checks that turn a launch into one line on standard output
// and an exit status, before any window, lock or store exists:
//   --credential-lifecycle <action> <account>   one step of the keyring
//                                                lifecycle self-test
//   --verify-saved-connection                    the saved login, read without
//                                                a keyring prompt, and the server
//   --verify-credential-storage                  the keyring self-test
// Options count only as whole arguments. The first mode that applies runs;
// a lifecycle option not followed by exactly two final arguments is ignored.
//
// Main thread, before QApplication. Nothing is written to standard error.

#include <functional>
#include <string>
#include <vector>

namespace sorvalind {

struct VerificationRequest {
    enum class Mode { none, credentialLifecycle, savedConnection, credentialStorage };
    Mode mode = Mode::none;
    std::string action;
    std::string account;

    // The mode the full argument list (program path first) asks for.
    static VerificationRequest parse(const std::vector<std::string>& arguments);
};

struct VerificationResult {
    std::string line;
    int status = 1;
};

// The lines of the saved-connection mode.
inline constexpr const char* noSavedConnectionLine = "No saved connection is available.";
inline constexpr const char* savedConnectionPassedLine =
    "Saved login verified without a keyring prompt; server connection passed.";

// Runs the request (not `none`) against the desktop's keyring and the saved
// settings, blocking the calling thread; never throws.
VerificationResult runVerification(const VerificationRequest& request);

// parse(), and for a mode: silences standard error, runs it, prints its line
// and returns its status. Returns -1 when the arguments ask for no mode.
int runVerificationModeIfRequested(int argc, char** argv);

} // namespace sorvalind
