#include "credentials/credential_store.h"
#include "keyring/genuine_parent.h"
#include "platform/crypto/digest.h"
#include "platform/secret/glib_handles.h"
#include "platform/secret/secret_service_keychain.h"

#include <gtest/gtest.h>

#include <memory>

#include <gio/gio.h>

namespace sorvalind {
namespace {

struct VariantUnref {
    void operator()(GVariant* value) const noexcept { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

constexpr const char* secretsName = "org.freedesktop.secrets";
constexpr const char* servicePath = "/org/freedesktop/secrets";

// The password scripts/with-keyring gives the keyring: the line feed that
// `echo ""` writes.
constexpr char keyringPassword[] = "\n";

// The session keyring's default collection, locked and unlocked again over
// D-Bus. Locking never asks anything; unlocking without a prompt takes
// gnome-keyring's own password call. The test runs in the keyring's session
// one test at a time, so no other test sees the collection locked.
class DefaultCollection {
public:
    DefaultCollection() {
        secret::ErrorSlot error;
        bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
        if (!bus_) return;
        VariantPtr alias =
            call(servicePath, "org.freedesktop.Secret.Service", "ReadAlias", g_variant_new("(s)", "default"));
        if (!alias) return;
        const gchar* path = nullptr;
        g_variant_get(alias.get(), "(&o)", &path);
        if (std::string_view(path) != "/") path_ = path;
    }

    bool found() const noexcept { return !path_.empty(); }
    const std::string& lastError() const noexcept { return lastError_; }

    bool lock() {
        GVariantBuilder objects;
        g_variant_builder_init(&objects, G_VARIANT_TYPE("ao"));
        g_variant_builder_add(&objects, "o", path_.c_str());
        return call(servicePath, "org.freedesktop.Secret.Service", "Lock", g_variant_new("(ao)", &objects)) !=
               nullptr;
    }

    bool unlock() {
        // A plain session: the password travels unencrypted on this private bus.
        VariantPtr session = call(servicePath, "org.freedesktop.Secret.Service", "OpenSession",
                                  g_variant_new("(sv)", "plain", g_variant_new_string("")));
        if (!session) return false;
        const gchar* sessionPath = nullptr;
        VariantPtr output;
        {
            GVariant* raw = nullptr;
            g_variant_get(session.get(), "(v&o)", &raw, &sessionPath);
            output.reset(raw);
        }
        GVariant* password = g_variant_new(
            "(o@ay@ays)", sessionPath, g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, "", 0, 1),
            g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, keyringPassword, 1, 1), "text/plain");
        return call(servicePath, "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface",
                    "UnlockWithMasterPassword",
                    g_variant_new("(o@(oayays))", path_.c_str(), password)) != nullptr;
    }

    std::optional<bool> locked() {
        VariantPtr reply = call(path_.c_str(), "org.freedesktop.DBus.Properties", "Get",
                                g_variant_new("(ss)", "org.freedesktop.Secret.Collection", "Locked"));
        if (!reply) return std::nullopt;
        GVariant* raw = nullptr;
        g_variant_get(reply.get(), "(v)", &raw);
        VariantPtr value(raw);
        return g_variant_get_boolean(value.get()) != FALSE;
    }

private:
    VariantPtr call(const char* path, const char* interface, const char* method, GVariant* arguments) {
        secret::ErrorSlot error;
        VariantPtr reply(g_dbus_connection_call_sync(bus_.get(), secretsName, path, interface, method,
                                                     arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 10'000,
                                                     nullptr, error.out()));
        if (error) lastError_ = error.get()->message;
        return reply;
    }

    secret::ObjectPtr<GDBusConnection> bus_;
    std::string path_;
    std::string lastError_;
};

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
