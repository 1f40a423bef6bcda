#include "credentials/credential_store.h"
#include "keyring/default_collection.h"
#include "keyring/genuine_parent.h"
#include "platform/crypto/digest.h"
#include "platform/secret/glib_handles.h"
#include "platform/secret/secret_service_keychain.h"

#include <gtest/gtest.h>

#include <memory>

#include <gio/gio.h>

namespace sorvalind {
namespace {

using test::DefaultCollection;
using test::throughGenuineParent;

TEST(LockedKeyring, AReadThatMayNotInteractAnswersLockedAndLeavesTheKeyringLocked) {
    DefaultCollection collection;
    ASSERT_TRUE(collection.found());
    // Without a way back to an unlocked keyring, the tests after this one
    // would fail for no fault of theirs: only gnome-keyring has one.
    if (!collection.unlock()) GTEST_SKIP() << "this keyring cannot be unlocked without a prompt";

    SecretServiceKeychain keychain;
    const std::string account = "https://m.example/|" + randomUUID();
    const std::string appService(CredentialStore::applicationService);
    const std::string helperService(CredentialStore::helperService);
    ASSERT_EQ(keychain.save(appService, account, "pw"), keychain_status::success);
    ASSERT_EQ(keychain.save(helperService, account, "pw"), keychain_status::success);

    ASSERT_TRUE(collection.lock());
    ASSERT_EQ(collection.locked(), true);
    EXPECT_EQ(keychain.load(appService, account, false).status, keychain_status::interactionNotAllowed);
    CredentialStore store(keychain, CredentialStore::Build::application);
    try {
        store.load(account, false);
        ADD_FAILURE() << "a locked keyring was read";
    } catch (const CredentialError& error) {
        EXPECT_EQ(error.code(), keychain_status::interactionNotAllowed);
    }
    EXPECT_EQ(throughGenuineParent(R"({"operation":"load","account":")" + account +
                                   R"(","allowInteraction":false})"),
              R"({"status":-25308})");
    // Nothing was unlocked on the way: no prompt was ever raised.
    EXPECT_EQ(collection.locked(), true);

    ASSERT_TRUE(collection.unlock()) << collection.lastError();
    EXPECT_EQ(collection.locked(), false);
    EXPECT_EQ(keychain.load(appService, account, false).secret, "pw");
    keychain.remove(appService, account);
    keychain.remove(helperService, account);
}

} // namespace
} // namespace sorvalind
