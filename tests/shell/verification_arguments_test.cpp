// Which verification mode an argument list asks for.

#include "shell/verification_modes.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

using Mode = VerificationRequest::Mode;

TEST(VerificationArguments, TheFirstModeThatAppliesWins) {
    struct Case {
        std::vector<std::string> arguments;
        Mode mode;
        std::string action;
        std::string account;
    };
    const std::string id = "0A6C1C1E-7F58-4C44-9D2B-8B2B7E0C2F11";
    const std::vector<Case> cases = {
        {{"sorvalind"}, Mode::none, "", ""},
        {{"sorvalind", "--credential-lifecycle", "create", id}, Mode::credentialLifecycle, "create", id},
        // One argument or three: ignored, and no later occurrence is tried.
        {{"sorvalind", "--credential-lifecycle", "create"}, Mode::none, "", ""},
        {{"sorvalind", "--credential-lifecycle", "create", id, "x"}, Mode::none, "", ""},
        {{"sorvalind", "--credential-lifecycle", "read", "--credential-lifecycle", "create", id},
         Mode::none,
         "",
         ""},
        {{"sorvalind", "--credential-lifecycle", "read", "--verify-credential-storage"},
         Mode::credentialLifecycle,
         "read",
         "--verify-credential-storage"},
        {{"sorvalind", "--credential-lifecycle", "--verify-saved-connection", id},
         Mode::credentialLifecycle,
         "--verify-saved-connection",
         id},
        {{"sorvalind", "--credential-lifecycle", "x", "--verify-saved-connection", id},
         Mode::savedConnection,
         "",
         ""},
        {{"sorvalind", "--verify-credential-storage", "--verify-saved-connection"},
         Mode::savedConnection,
         "",
         ""},
        {{"sorvalind", "--verify-credential-storage"}, Mode::credentialStorage, "", ""},
        // Whole arguments only, case and all.
        {{"sorvalind", "--verify-saved-connection=1", "--Verify-Credential-Storage", "--verify"},
         Mode::none,
         "",
         ""},
        {{"--verify-credential-storage"}, Mode::credentialStorage, "", ""},
    };
    for (const auto& c : cases) {
        std::string trace;
        for (const auto& argument : c.arguments)
            trace += argument + " ";
        SCOPED_TRACE(trace);
        const auto request = VerificationRequest::parse(c.arguments);
        EXPECT_EQ(request.mode, c.mode);
        EXPECT_EQ(request.action, c.action);
        EXPECT_EQ(request.account, c.account);
    }
}

} // namespace
} // namespace sorvalind::test
