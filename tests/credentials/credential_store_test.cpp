#include "credentials/credential_helper_client.h"
#include "credentials/credential_store.h"
#include "platform/secret/memory_keychain.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>

namespace sorvalind {
namespace {

namespace ks = keychain_status;
using Build = CredentialStore::Build;

const std::string appService(CredentialStore::applicationService);
const std::string helperService(CredentialStore::helperService);
const std::string legacyNew(CredentialStore::legacyServices[0]);
const std::string legacyOld(CredentialStore::legacyServices[1]);
const std::string account = "https://music.example/|ada";

std::optional<std::int32_t> failureCode(const std::function<void()>& call) {
    try {
        call();
    } catch (const CredentialError& error) {
        return error.code().value_or(1); // 1 marks a failed verification
    }
    ADD_FAILURE() << "no CredentialError";
    return std::nullopt;
}

TEST(CredentialStore, SaveLoadReplaceAndRemoveInTheApplicationBuild) {
    MemoryKeychain keychain;
    CredentialStore store(keychain, Build::application);
    try {
        store.load(account);
        FAIL();
    } catch (const CredentialError& error) {
        EXPECT_EQ(error.code(), ks::itemNotFound);
        EXPECT_STREQ(error.what(),
                     "No saved password was found for this connection. Sign in again to reconnect. "
                     "Your local library and downloads are still available.");
    }
    store.save("one", account);
    store.save("two", account);
    EXPECT_EQ(keychain.items().size(), 1u);
    EXPECT_EQ(store.load(account, false), "two");
    EXPECT_EQ(keychain.secret(appService, account), "two");
    store.remove(account);
    store.remove(account);
    store.removeAll();
    EXPECT_TRUE(keychain.items().empty());
}

TEST(CredentialStore, KeyringFailuresCarryTheirStatus) {
    MemoryKeychain keychain;
    CredentialStore store(keychain, Build::application);
    keychain.seed(appService, account, "pw");
    keychain.setLocked(true, ks::userCanceled);
    EXPECT_EQ(failureCode([&] { store.load(account, false); }), ks::interactionNotAllowed);
    EXPECT_EQ(failureCode([&] { store.load(account, true); }), ks::userCanceled);
    keychain.setLocked(true, ks::success);
    EXPECT_EQ(store.load(account, true), "pw");

    keychain.addFault({KeychainOperation::save, "", ks::notAvailable, {}});
    keychain.addFault({KeychainOperation::remove, "", ks::internalError, {}});
    EXPECT_EQ(failureCode([&] { store.save("x", account); }), ks::notAvailable);
    EXPECT_EQ(failureCode([&] { store.remove(account); }), ks::internalError);
}

TEST(CredentialStore, HelperBuildMigratesFromTheLegacyServicesInOrder) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> seeded; // service, password
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"oldest legacy only", {{legacyOld, "old"}}, "old"},
        {"both legacy services", {{legacyOld, "old"}, {legacyNew, "new"}}, "new"},
        {"current service wins", {{legacyNew, "new"}, {helperService, "current"}}, "current"},
        {"nothing anywhere", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryKeychain keychain;
        for (const auto& [service, password] : c.seeded)
            keychain.seed(service, account, password);
        CredentialStore store(keychain, Build::helper);
        if (!c.expected) {
            EXPECT_EQ(failureCode([&] { store.load(account); }), ks::itemNotFound);
            continue;
        }
        EXPECT_EQ(store.load(account, false), *c.expected);
        EXPECT_EQ(keychain.secret(helperService, account), *c.expected);
        for (const auto& [service, password] : c.seeded)
            EXPECT_EQ(keychain.secret(service, account), password);
    }
}

TEST(CredentialStore, MigrationStopsAtAFailureOtherThanNotFound) {
    MemoryKeychain keychain;
    keychain.seed(legacyOld, account, "old");
    keychain.addFault({KeychainOperation::load, legacyNew, ks::interactionNotAllowed, {}});
    CredentialStore store(keychain, Build::helper);
    EXPECT_EQ(failureCode([&] { store.load(account, false); }), ks::interactionNotAllowed);
    EXPECT_FALSE(keychain.secret(helperService, account));

    // A copy that does not read back as written is refused.
    keychain.clearFaults();
    keychain.addFault({KeychainOperation::load, helperService, ks::success, "garbled"});
    EXPECT_EQ(failureCode([&] { store.load(account); }), 1);
}

TEST(CredentialStore, RemoveAlsoDeletesTheAccountsLegacyItemsSoSignOutSticks) {
    MemoryKeychain keychain;
    keychain.seed(helperService, account, "current");
    keychain.seed(legacyNew, account, "new");
    keychain.seed(legacyOld, account, "old");
    keychain.seed(legacyOld, "someone else", "theirs");
    CredentialStore store(keychain, Build::helper);
    store.remove(account);
    EXPECT_EQ(failureCode([&] { store.load(account); }), ks::itemNotFound);
    EXPECT_EQ(keychain.items(),
              (std::vector<std::pair<std::string, std::string>>{{legacyOld, "someone else"}}));
}

TEST(CredentialStore, RemoveAllClearsEveryAccountAndStopsAtTheFirstFailingService) {
    MemoryKeychain keychain;
    for (const std::string& service : {helperService, legacyNew, legacyOld, std::string("other")})
        for (const char* who : {"a", "b"})
            keychain.seed(service, who, "x");
    CredentialStore store(keychain, Build::helper);
    keychain.addFault({KeychainOperation::removeAll, legacyNew, ks::internalError, {}});
    EXPECT_EQ(failureCode([&] { store.removeAll(); }), ks::internalError);
    EXPECT_FALSE(keychain.secret(helperService, "a"));
    EXPECT_TRUE(keychain.secret(legacyOld, "a"));

    keychain.clearFaults();
    store.removeAll();
    EXPECT_EQ(keychain.items().size(), 2u); // only "other" is left
    store.removeAll();
}

// Bytes another program left in the keyring that are not UTF-8 are no
// password: every read fails the verification rather than hand them on, and
// such a password is never stored.
TEST(CredentialStore, ASecretThatIsNotUTF8FailsTheVerification) {
    const std::string latin1 = "caf\xE9";
    for (Build build : {Build::application, Build::helper}) {
        SCOPED_TRACE(build == Build::helper ? "helper build" : "application build");
        const std::string current = build == Build::helper ? helperService : appService;
        {
            MemoryKeychain keychain;
            keychain.seed(current, account, latin1);
            CredentialStore store(keychain, build);
            EXPECT_EQ(failureCode([&] { store.load(account); }), 1);
            EXPECT_EQ(failureCode([&] { store.load(account, false); }), 1);
        }
        {
            // The same bytes handed back by the keyring for a valid item.
            MemoryKeychain keychain;
            keychain.seed(current, account, "caf\xC3\xA9");
            keychain.addFault({KeychainOperation::load, current, ks::success, "\xFF\xFE"});
            CredentialStore store(keychain, build);
            EXPECT_EQ(failureCode([&] { store.load(account); }), 1);
        }
        {
            MemoryKeychain keychain;
            CredentialStore store(keychain, build);
            EXPECT_EQ(failureCode([&] { store.save(latin1, account); }), 1);
            EXPECT_EQ(failureCode([&] { store.save("\xC3", account); }), 1);
            EXPECT_EQ(keychain.calls(), 0);
            store.save("caf\xC3\xA9", account);
            EXPECT_EQ(store.load(account), "caf\xC3\xA9");
        }
    }
    // A legacy item that is not UTF-8 is not copied into the helper's service.
    MemoryKeychain keychain;
    keychain.seed(legacyOld, account, latin1);
    CredentialStore store(keychain, Build::helper);
    EXPECT_EQ(failureCode([&] { store.load(account); }), 1);
    EXPECT_FALSE(keychain.secret(helperService, account));
}

TEST(CredentialStore, LifecycleProbe) {
    MemoryKeychain keychain;
    CredentialStore store(keychain, Build::application);
    EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("create", "not-a-uuid"); }), 1);
    EXPECT_EQ(keychain.calls(), 0);

    const std::string id = "6F1C2B7A-0D3E-4C5F-9A8B-1C2D3E4F5A6B";
    EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("Create", id); }), 1);
    EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("", id); }), 1);
    EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("read", id); }), ks::itemNotFound);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(store.verifyCredentialLifecycle("create", id), "Credential lifecycle probe passed.");
        EXPECT_EQ(store.verifyCredentialLifecycle("read", id), "Credential lifecycle probe passed.");
        EXPECT_EQ(store.verifyCredentialLifecycle("remove", id), "Credential lifecycle probe passed.");
        EXPECT_EQ(store.verifyCredentialLifecycle("remove", id), "Credential lifecycle probe passed.");
    }
    EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("read", id); }), ks::itemNotFound);
    EXPECT_TRUE(keychain.items().empty());
}

TEST(CredentialStore, TemporaryCredentialTestPassesAndLeavesNothingBehind) {
    MemoryKeychain keychain;
    const std::string selfTest(CredentialStore::selfTestService);
    keychain.seed(selfTest, "stale", "x");
    CredentialStore store(keychain, Build::helper);
    EXPECT_EQ(store.verifyTemporaryCredential(), CredentialStore::memoryVerified);
    EXPECT_TRUE(keychain.items().empty());

    struct Fault {
        KeychainFault fault;
        std::int32_t expected;
    };
    const Fault faults[] = {
        {{KeychainOperation::attributes, selfTest, ks::internalError, {}}, ks::internalError},
        {{KeychainOperation::load, selfTest, ks::success, "other"}, 1},
        {{KeychainOperation::save, selfTest, ks::interactionNotAllowed, {}}, ks::interactionNotAllowed},
    };
    for (const Fault& f : faults) {
        keychain.clearFaults();
        keychain.addFault(f.fault);
        EXPECT_EQ(failureCode([&] { store.verifyTemporaryCredential(); }), f.expected);
        EXPECT_TRUE(keychain.items().empty());
    }
}

// Passes every call on to a memory keyring, noting each one made while the
// store's process-wide lock was free. The lock is tried from another thread:
// this one may be its owner.
class LockWitness final : public Keychain {
public:
    KeychainBackend backend() const noexcept override { return inner.backend(); }
    KeychainStatus save(const std::string& s, const std::string& a, std::string_view secret) override {
        note();
        return inner.save(s, a, secret);
    }
    KeychainRead load(const std::string& s, const std::string& a, bool allow) override {
        note();
        return inner.load(s, a, allow);
    }
    KeychainStatus remove(const std::string& s, const std::string& a) override {
        note();
        return inner.remove(s, a);
    }
    KeychainStatus removeAll(const std::string& s) override {
        note();
        return inner.removeAll(s);
    }
    KeychainAttributes attributes(const std::string& s, const std::string& a) override {
        note();
        return inner.attributes(s, a);
    }
    static bool lockIsFree() {
        return std::async(std::launch::async,
                          [] {
                              if (!CredentialStore::accessLock().try_lock()) return false;
                              CredentialStore::accessLock().unlock();
                              return true;
                          })
            .get();
    }

    MemoryKeychain inner;
    int unlockedCalls = 0;

private:
    void note() {
        if (lockIsFree()) ++unlockedCalls;
    }
};

TEST(CredentialStore, EveryKeyringSequenceRunsUnderTheProcessWideLock) {
    for (Build build : {Build::application, Build::helper}) {
        LockWitness keychain;
        keychain.inner.seed(legacyOld, account, "old"); // the helper build migrates it
        CredentialStore store(keychain, build);
        const std::string id = "6f1c2b7a-0d3e-4c5f-9a8b-1c2d3e4f5a6b";
        const std::function<void()> operations[] = {
            [&] { store.load(account, false); },
            [&] { store.save("pw", account); },
            [&] { store.load(account); },
            [&] { store.remove(account); },
            [&] { store.removeAll(); },
            [&] { store.verifyCredentialLifecycle("create", id); },
            [&] { store.verifyCredentialLifecycle("read", id); },
            [&] { store.verifyCredentialLifecycle("remove", id); },
            [&] { store.verifyTemporaryCredential(); },
        };
        for (const auto& operation : operations) {
            try {
                operation();
            } catch (const CredentialError&) {
                // The application build finds nothing to load at first.
            }
            EXPECT_TRUE(LockWitness::lockIsFree());
        }
        EXPECT_GT(keychain.inner.calls(), 10);
        EXPECT_EQ(keychain.unlockedCalls, 0);
    }
}

TEST(CredentialStore, HelperRouteIsUsedOnlyThroughItsGate) {
    test::TempDir empty; // no helper here: a route that is taken fails
    CredentialHelperClient::Options options;
    options.helperDirectory = empty.path();
    const std::string id(CredentialHelperClient::applicationId);
    struct Case {
        const char* name;
        CredentialHelperGate gate;
        KeychainBackend backend;
        bool routed;
    };
    const Case cases[] = {
        {"switch absent", {id, false}, KeychainBackend::secretService, false},
        {"another application id",
         {"nl.pwelkin.sorvalind.beta", true},
         KeychainBackend::secretService,
         false},
        {"in-memory keyring", {id, true}, KeychainBackend::memory, false},
        {"gate open", {id, true}, KeychainBackend::secretService, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryKeychain keychain(c.backend);
        CredentialHelperClient client(c.gate, options);
        CredentialStore store(keychain, Build::application, &client);
        if (c.routed) {
            // No quiet fallback to the in-process keyring.
            EXPECT_EQ(failureCode([&] { store.save("pw", account); }), 1);
            EXPECT_EQ(failureCode([&] { store.verifyCredentialLifecycle("create", "x"); }), 1);
            EXPECT_EQ(keychain.calls(), 0);
        } else {
            store.save("pw", account);
            EXPECT_EQ(store.load(account), "pw");
        }
    }
}

} // namespace
} // namespace sorvalind
