#include "credentials/credential_store.h"
#include "keyring/genuine_parent.h"
#include "platform/crypto/digest.h"
#include "platform/secret/secret_service_keychain.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

using test::throughGenuineParent;

TEST(CredentialHelperKeyring, SaveLoadVerifyAndRemoveThroughTheHelper) {
    const std::string account = "https://m.example/|" + randomUUID();
    const std::string password = "p\\\"w \xC3\xA9";
    EXPECT_EQ(throughGenuineParent(R"({"operation":"save","account":")" + account +
                                   R"(","password":"p\\\"w é",)"
                                   R"("allowInteraction":false})"),
              R"({"value":""})");
    EXPECT_EQ(throughGenuineParent(R"({"operation":"load","account":")" + account +
                                   R"(","allowInteraction":false})"),
              R"({"value":"p\\\"w é"})");
    SecretServiceKeychain keychain;
    EXPECT_EQ(keychain.load(std::string(CredentialStore::helperService), account, false).secret, password);

    EXPECT_EQ(throughGenuineParent(R"({"operation":"verify","account":"","allowInteraction":false})"),
              R"({"value":")" + std::string(CredentialStore::secretServiceVerified) + R"("})");
    EXPECT_EQ(throughGenuineParent(R"({"operation":"remove","account":")" + account +
                                   R"(","allowInteraction":false})"),
              R"({"value":""})");
    EXPECT_EQ(throughGenuineParent(R"({"operation":"load","account":")" + account +
                                   R"(","allowInteraction":true})"),
              R"({"status":-25300})");
}

// Bytes another program stored that are not UTF-8 are no password: the
// helper refuses them with an answer it can write (and so the client reads a
// status, not an empty answer), and the store in process fails the
// verification.
TEST(CredentialHelperKeyring, AStoredSecretThatIsNotUTF8IsRefusedOnBothRoutes) {
    SecretServiceKeychain keychain;
    const std::string account = "https://m.example/|" + randomUUID();
    const std::string helperService(CredentialStore::helperService);
    const std::string applicationService(CredentialStore::applicationService);
    ASSERT_EQ(keychain.save(helperService, account, "caf\xE9"), keychain_status::success);
    ASSERT_EQ(keychain.save(applicationService, account, "caf\xE9"), keychain_status::success);

    EXPECT_EQ(throughGenuineParent(R"({"operation":"load","account":")" + account +
                                   R"(","allowInteraction":false})"),
              R"({"status":-25293})");
    CredentialStore store(keychain, CredentialStore::Build::application);
    try {
        store.load(account, false);
        ADD_FAILURE() << "loaded";
    } catch (const CredentialError& error) {
        EXPECT_TRUE(error.isVerification());
    }
    keychain.remove(helperService, account);
    keychain.remove(applicationService, account);
}

TEST(CredentialHelperKeyring, InProcessStoreOnTheSessionKeyring) {
    SecretServiceKeychain keychain;
    CredentialStore store(keychain, CredentialStore::Build::application);
    EXPECT_EQ(store.verifyTemporaryCredential(), CredentialStore::secretServiceVerified);
    const std::string id = randomUUID();
    for (const char* action : {"create", "read", "remove"})
        EXPECT_EQ(store.verifyCredentialLifecycle(action, id), CredentialStore::lifecyclePassed);
    try {
        store.verifyCredentialLifecycle("read", id);
        FAIL();
    } catch (const CredentialError& error) {
        EXPECT_EQ(error.code(), keychain_status::itemNotFound);
    }
}

} // namespace
} // namespace sorvalind
