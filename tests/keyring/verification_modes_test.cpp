// The program's command-line checks, run as the program itself against the
// session's keyring and the loopback server: one line on standard output,
// nothing on standard error, status 0 or 1, and never a keyring prompt.

#include "credentials/credential_store.h"
#include "keyring/default_collection.h"
#include "loopback/fake_subsonic_server.h"
#include "model/app_identifiers.h"
#include "platform/qt_preferences.h"
#include "platform/secret/secret_service_keychain.h"
#include "server/server_configuration.h"
#include "support/child_process.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace sorvalind::test {
namespace {

#ifdef SORVALIND_PROGRAM
constexpr const char* program = SORVALIND_PROGRAM;
#else
constexpr const char* program = nullptr;
#endif

struct ProgramRun {
    std::string out;
    std::string err;
    int status = -1;
};

struct VerificationModes : ::testing::Test {
    TempDir scratch;
    std::filesystem::path config = scratch.path() / "config";

    void SetUp() override {
        if (!program) GTEST_SKIP() << "built without the application";
        std::filesystem::create_directories(config);
    }

    // The program with `arguments`, on this test's own settings folder.
    ProgramRun run(const std::vector<std::string>& arguments) {
        ChildProcess child(program, arguments, {{"XDG_CONFIG_HOME", config.string()}}, scratch.path());
        ProgramRun result;
        result.status = child.wait(std::chrono::seconds(60)).value_or(-1000);
        result.out = child.out();
        result.err = child.err();
        return result;
    }

    void saveServer(const std::string& data) {
        QtPreferences preferences(config / "sorvalind", std::string(ownApplicationIdentifier));
        preferences.setData("server", PreferenceData(data.begin(), data.end()));
    }
    ServerConfiguration saveServer(const loopback::FakeSubsonicServer& server, const std::string& password) {
        ServerConfiguration configuration(server.baseUrl(), server.options().user, true);
        saveServer(configuration.encode().dump());
        SecretServiceKeychain keychain;
        CredentialStore(keychain, CredentialStore::Build::application)
            .save(password, configuration.identity());
        return configuration;
    }
};

constexpr const char* passed = "Saved login verified without a keyring prompt; server connection passed.\n";
constexpr const char* noConnection = "No saved connection is available.\n";

TEST_F(VerificationModes, SavedConnection) {
    loopback::FakeSubsonicServer server;
    loopback::FakeSubsonicServer::Options plain;
    plain.openSubsonic = false;
    plain.unknownMethodIs404 = true;
    loopback::FakeSubsonicServer plainServer(plain);

    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string line;
        int status;
    };
    const std::vector<Case> cases = {
        {"nothing saved", [] {}, noConnection, 1},
        {"a saved server that does not decode", [&] { saveServer("{\"url\":42}"); }, noConnection, 1},
        {"the saved login", [&] { saveServer(server, server.options().password); }, passed, 0},
        {"a plain Subsonic server", [&] { saveServer(plainServer, plainServer.options().password); }, passed,
         0},
        {"a wrong password", [&] { saveServer(server, "wrong"); }, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const ProgramRun result = run({"--verify-saved-connection"});
        if (!c.line.empty()) {
            EXPECT_EQ(result.out, c.line);
        }
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
    }
    // The wrong password reaches the server, which says so.
    EXPECT_NE(run({"--verify-saved-connection"}).out, passed);
}

TEST_F(VerificationModes, ALockedKeyringFailsWithoutAPrompt) {
    loopback::FakeSubsonicServer server;
    saveServer(server, server.options().password);
    DefaultCollection collection;
    ASSERT_TRUE(collection.found());
    ASSERT_TRUE(collection.lock()) << collection.lastError();
    const ProgramRun result = run({"--verify-saved-connection"});
    const bool stillLocked = collection.locked().value_or(false);
    ASSERT_TRUE(collection.unlock()) << collection.lastError();
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out, passed);
    EXPECT_FALSE(result.out.empty());
    EXPECT_EQ(result.err, "");
    // Nobody was asked: the collection stayed locked until the test unlocked it.
    EXPECT_TRUE(stillLocked);
    EXPECT_EQ(server.requestCount("ping"), 0u);
}

TEST_F(VerificationModes, KeyringSelfTests) {
    const std::string account = "0A6C1C1E-7F58-4C44-9D2B-8B2B7E0C2F11";
    const std::string lifecyclePassed = std::string(CredentialStore::lifecyclePassed) + "\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string line; // empty: any failure message
        int status;
    };
    const std::vector<Case> cases = {
        {{"--verify-credential-storage"}, std::string(CredentialStore::secretServiceVerified) + "\n", 0},
        {{"--credential-lifecycle", "create", account}, lifecyclePassed, 0},
        {{"--credential-lifecycle", "read", account}, lifecyclePassed, 0},
        {{"--credential-lifecycle", "remove", account}, lifecyclePassed, 0},
        {{"--credential-lifecycle", "remove", account}, lifecyclePassed, 0},
        {{"--credential-lifecycle", "read", account}, "", 1},
        {{"--credential-lifecycle", "create", "not-a-uuid"}, "", 1},
        {{"--credential-lifecycle", "--verify-saved-connection", account}, "", 1},
        // Ignored lifecycle option: the storage self-test runs instead.
        {{"--credential-lifecycle", "create", "--verify-credential-storage", account, "x"},
         std::string(CredentialStore::secretServiceVerified) + "\n",
         0},
    };
    for (const auto& c : cases) {
        std::string trace;
        for (const auto& argument : c.arguments)
            trace += argument + " ";
        SCOPED_TRACE(trace);
        const ProgramRun result = run(c.arguments);
        if (c.line.empty()) {
            EXPECT_NE(result.out, lifecyclePassed);
            EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
        } else {
            EXPECT_EQ(result.out, c.line);
        }
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.err, "");
    }
}

} // namespace
} // namespace sorvalind::test
