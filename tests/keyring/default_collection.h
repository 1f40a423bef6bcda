#pragma once
// The session keyring's default collection, locked and unlocked again over
// D-Bus, for the tests that run in scripts/with-keyring's session.

#include "platform/secret/glib_handles.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <gio/gio.h>

namespace sorvalind::test {

struct VariantUnref {
    void operator()(GVariant* value) const noexcept { g_variant_unref(value); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

inline constexpr const char* secretsName = "org.freedesktop.secrets";
inline constexpr const char* servicePath = "/org/freedesktop/secrets";

// The password scripts/with-keyring gives the keyring: the line feed that
// `echo ""` writes.
inline constexpr char keyringPassword[] = "\n";

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

} // namespace sorvalind::test
