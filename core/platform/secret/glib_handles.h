#pragma once
// Move-only owners of the GLib and libsecret handles the keyring backend
// holds: object references, errors, hash tables, lists and secret values.
// Any thread; nothing here throws.

#include <glib-object.h>
#include <libsecret/secret.h>

#include <memory>

namespace sorvalind::secret {

struct ObjectUnref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
template <typename T> using ObjectPtr = std::unique_ptr<T, ObjectUnref>;

struct ErrorFree {
    void operator()(GError* error) const noexcept { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

struct HashTableUnref {
    void operator()(GHashTable* table) const noexcept { g_hash_table_unref(table); }
};
using HashTablePtr = std::unique_ptr<GHashTable, HashTableUnref>;

struct ValueUnref {
    void operator()(SecretValue* value) const noexcept { secret_value_unref(value); }
};
using ValuePtr = std::unique_ptr<SecretValue, ValueUnref>;

// A list of object references, as libsecret's searches return them.
struct ObjectListFree {
    void operator()(GList* list) const noexcept { g_list_free_full(list, g_object_unref); }
};
using ObjectListPtr = std::unique_ptr<GList, ObjectListFree>;

// Collects a GError out-parameter: `call(..., error.out())`.
class ErrorSlot {
public:
    GError** out() noexcept { return &raw_; }
    ~ErrorSlot() {
        if (raw_) g_error_free(raw_);
    }
    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;
    const GError* get() const noexcept { return raw_; }
    explicit operator bool() const noexcept { return raw_ != nullptr; }

private:
    GError* raw_ = nullptr;
};

} // namespace sorvalind::secret
