#include "platform/crypto/digest.h"
#include "platform/secret/secret_service_keychain.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

namespace ks = keychain_status;

// Each test works under services of its own, so runs never see each other's
// items in the shared session keyring.
class SecretServiceKeychainTest : public ::testing::Test {
protected:
    void TearDown() override {
        keychain.removeAll(service);
        keychain.removeAll(otherService);
    }

    SecretServiceKeychain keychain;
    std::string service = "nl.pwelkin.sorvalind.test." + randomUUID();
    std::string otherService = "nl.pwelkin.sorvalind.test." + randomUUID();
};

TEST_F(SecretServiceKeychainTest, SaveReadReplaceAndRemoveOneItem) {
    EXPECT_EQ(keychain.load(service, "a", false).status, ks::itemNotFound);
    ASSERT_EQ(keychain.save(service, "a", "first"), ks::success);
    KeychainRead read = keychain.load(service, "a", false);
    EXPECT_EQ(read.status, ks::success);
    EXPECT_EQ(read.secret, "first");

    // Bytes beyond ASCII and quotes come back unchanged; the second save
    // replaces the item instead of adding one.
    ASSERT_EQ(keychain.save(service, "a", "s\xC3\xA9\"cret\\"), ks::success);
    EXPECT_EQ(keychain.load(service, "a", true).secret, "s\xC3\xA9\"cret\\");
    EXPECT_EQ(keychain.remove(service, "a"), ks::success);
    EXPECT_EQ(keychain.load(service, "a", false).status, ks::itemNotFound);
    EXPECT_EQ(keychain.remove(service, "a"), ks::itemNotFound);
}

TEST_F(SecretServiceKeychainTest, ItemsAreKeptApartByServiceAndAccount) {
    ASSERT_EQ(keychain.save(service, "a", "1"), ks::success);
    ASSERT_EQ(keychain.save(service, "b", "2"), ks::success);
    ASSERT_EQ(keychain.save(otherService, "a", "3"), ks::success);
    EXPECT_EQ(keychain.load(service, "b", false).secret, "2");
    EXPECT_EQ(keychain.load(otherService, "a", false).secret, "3");

    EXPECT_EQ(keychain.removeAll(service), ks::success);
    EXPECT_EQ(keychain.load(service, "a", false).status, ks::itemNotFound);
    EXPECT_EQ(keychain.load(service, "b", false).status, ks::itemNotFound);
    EXPECT_EQ(keychain.load(otherService, "a", false).secret, "3");
    EXPECT_EQ(keychain.removeAll(service), ks::itemNotFound);
}

TEST_F(SecretServiceKeychainTest, AttributesNameTheSchemaServiceAndAccount) {
    EXPECT_EQ(keychain.attributes(service, "a").status, ks::itemNotFound);
    ASSERT_EQ(keychain.save(service, "a", "x"), ks::success);
    KeychainAttributes found = keychain.attributes(service, "a");
    ASSERT_EQ(found.status, ks::success);
    EXPECT_EQ(found.attributes["service"], service);
    EXPECT_EQ(found.attributes["account"], "a");
    EXPECT_EQ(found.attributes["xdg:schema"], SecretServiceKeychain::schemaName);
}

} // namespace
} // namespace sorvalind
