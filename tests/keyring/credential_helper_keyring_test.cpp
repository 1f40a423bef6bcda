#include "platform/crypto/digest.h"
#include "platform/secret/secret_service_keychain.h"
#include "server/credential_helper_process.h"
#include "server/credential_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace sorvalind {
namespace {

using namespace std::chrono_literals;

// The helper run for real by its genuine parent, against the session keyring.
std::string throughGenuineParent(const std::string& request) {
    std::filesystem::path parent =
        std::filesystem::path(SORVALIND_BUILD_DIR) / "bin/sorvalind-credential-test-parent";
    int fd = ::open(parent.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("missing test parent");
    std::vector<std::string> environment{"PATH=/usr/bin:/bin"};
    if (const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        environment.push_back(std::string("DBUS_SESSION_BUS_ADDRESS=") + bus);
    HelperProcessResult result =
        runHelperProcess(fd, {parent.string()}, environment, request, {1 << 20, 60s});
    ::close(fd);
    return result.output;
}

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
