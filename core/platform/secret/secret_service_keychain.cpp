#include "platform/secret/secret_service_keychain.h"

#include "platform/secret/glib_handles.h"

namespace sorvalind {
namespace {

using namespace secret;

const SecretSchema* schema() noexcept {
    static const SecretSchema value = [] {
        SecretSchema s{};
        s.name = SecretServiceKeychain::schemaName.data();
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &value;
}

// The attribute table borrows the strings: it never outlives the call.
HashTablePtr attributeTable(const std::string& service, const std::string* account) {
    HashTablePtr table(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(table.get(), const_cast<char*>("service"), const_cast<char*>(service.c_str()));
    if (account)
        g_hash_table_insert(table.get(), const_cast<char*>("account"), const_cast<char*>(account->c_str()));
    return table;
}

KeychainStatus statusOf(const GError* error) noexcept {
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) return keychain_status::userCanceled;
    if (error->domain == SECRET_ERROR) {
        if (error->code == SECRET_ERROR_IS_LOCKED) return keychain_status::interactionNotAllowed;
        if (error->code == SECRET_ERROR_NO_SUCH_OBJECT) return keychain_status::itemNotFound;
    }
    if (error->domain == G_DBUS_ERROR) {
        switch (error->code) {
        case G_DBUS_ERROR_SERVICE_UNKNOWN:
        case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
        case G_DBUS_ERROR_NO_SERVER:
        case G_DBUS_ERROR_DISCONNECTED:
        case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
        case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
        case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
            return keychain_status::notAvailable;
        default:
            break;
        }
    }
    return keychain_status::internalError;
}

// The shared service proxy with a session open and no collections loaded:
// loading collections is what would bring unlock prompts along.
struct Connection {
    ObjectPtr<SecretService> service;
    KeychainStatus status = keychain_status::success;
};

Connection connect() {
    ErrorSlot error;
    ObjectPtr<SecretService> service(
        secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, error.out()));
    if (!service) return {nullptr, keychain_status::notAvailable};
    return {std::move(service), keychain_status::success};
}

struct Search {
    ObjectListPtr items;
    KeychainStatus status = keychain_status::success;
    SecretItem* first() const noexcept { return items ? SECRET_ITEM(items.get()->data) : nullptr; }
};

Search search(SecretService* service, GHashTable* attributes, int flags) {
    ErrorSlot error;
    ObjectListPtr items(secret_service_search_sync(
        service, schema(), attributes, static_cast<SecretSearchFlags>(flags), nullptr, error.out()));
    if (error) return {nullptr, statusOf(error.get())};
    if (!items) return {nullptr, keychain_status::itemNotFound};
    return {std::move(items), keychain_status::success};
}

KeychainStatus clear(const std::string& service, const std::string* account) {
    Connection connection = connect();
    if (!connection.service) return connection.status;
    HashTablePtr attributes = attributeTable(service, account);
    ErrorSlot error;
    gboolean removed =
        secret_service_clear_sync(connection.service.get(), schema(), attributes.get(), nullptr, error.out());
    if (error) return statusOf(error.get());
    return removed ? keychain_status::success : keychain_status::itemNotFound;
}

} // namespace

KeychainStatus SecretServiceKeychain::save(const std::string& service, const std::string& account,
                                           std::string_view secret) {
    Connection connection = connect();
    if (!connection.service) return connection.status;
    HashTablePtr attributes = attributeTable(service, &account);
    ValuePtr value(secret_value_new(secret.data(), static_cast<gssize>(secret.size()), "text/plain"));
    ErrorSlot error;
    // An item with the same attributes in the collection is replaced, so a
    // second save leaves one item.
    if (!secret_service_store_sync(connection.service.get(), schema(), attributes.get(),
                                   SECRET_COLLECTION_DEFAULT, itemLabel.data(), value.get(), nullptr,
                                   error.out()))
        return error ? statusOf(error.get()) : keychain_status::internalError;
    return keychain_status::success;
}

KeychainRead SecretServiceKeychain::load(const std::string& service, const std::string& account,
                                         bool allowInteraction) {
    Connection connection = connect();
    if (!connection.service) return {connection.status, {}};
    HashTablePtr attributes = attributeTable(service, &account);
    int flags = SECRET_SEARCH_LOAD_SECRETS | (allowInteraction ? SECRET_SEARCH_UNLOCK : 0);
    Search found = search(connection.service.get(), attributes.get(), flags);
    if (!found.items) return {found.status, {}};
    SecretItem* item = found.first();
    // Still locked after a search that could unlock means the prompt was
    // dismissed; without interaction nothing was asked.
    if (secret_item_get_locked(item))
        return {allowInteraction ? keychain_status::userCanceled : keychain_status::interactionNotAllowed,
                {}};
    ValuePtr value(secret_item_get_secret(item));
    if (!value) {
        ErrorSlot error;
        if (!secret_item_load_secret_sync(item, nullptr, error.out()))
            return {error ? statusOf(error.get()) : keychain_status::internalError, {}};
        value.reset(secret_item_get_secret(item));
        if (!value) return {keychain_status::internalError, {}};
    }
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.get(), &length);
    return {keychain_status::success, std::string(bytes, length)};
}

KeychainStatus SecretServiceKeychain::remove(const std::string& service, const std::string& account) {
    return clear(service, &account);
}

KeychainStatus SecretServiceKeychain::removeAll(const std::string& service) {
    return clear(service, nullptr);
}

KeychainAttributes SecretServiceKeychain::attributes(const std::string& service, const std::string& account) {
    Connection connection = connect();
    if (!connection.service) return {connection.status, {}};
    HashTablePtr query = attributeTable(service, &account);
    Search found = search(connection.service.get(), query.get(), SECRET_SEARCH_NONE);
    if (!found.items) return {found.status, {}};
    HashTablePtr stored(secret_item_get_attributes(found.first()));
    KeychainAttributes out;
    GHashTableIter it;
    gpointer key = nullptr, value = nullptr;
    g_hash_table_iter_init(&it, stored.get());
    while (g_hash_table_iter_next(&it, &key, &value))
        out.attributes.emplace(static_cast<const char*>(key), static_cast<const char*>(value));
    return out;
}

} // namespace sorvalind
