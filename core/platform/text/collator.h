#pragma once
// Locale-aware ordering of user text through ICU, the order a file browser
// shows names in: tertiary strength (case and accents only break ties, so
// "abc" and "ABC" sit next to each other) with digit runs compared by value
// ("Track 2" before "Track 10").
//
// One thread at a time: ICU collators keep scratch state, so each worker that
// sorts makes its own (construction is cheap after the first for a locale).
// Throws std::bad_alloc only; an unknown locale falls back to the root order.

#include <compare>
#include <memory>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Collator;
U_NAMESPACE_END

namespace sorvalind::text {

class Collator {
public:
    // The root order for "" and the C and POSIX locales, else the locale's
    // own order ("de_DE", "sv_SE" ...).
    explicit Collator(std::string_view localeId);
    ~Collator();
    Collator(Collator&&) noexcept;
    Collator& operator=(Collator&&) noexcept;

    // The user's collation locale: LC_ALL, then LC_COLLATE, then LANG.
    static Collator forUser();

    // The locale whose order this is; "" for the root order.
    const std::string& localeId() const noexcept { return localeId_; }

    std::weak_ordering compare(std::string_view a, std::string_view b) const;

    // A byte string whose plain byte order is this collator's order, so a
    // list keys each value once and then compares bytes. Equal keys mean the
    // collator sees the texts as equal.
    std::string sortKey(std::string_view text) const;

private:
    std::string localeId_;
    std::unique_ptr<icu::Collator> collator_;
};

// The user's collation locale identifier, or "" for the root order.
std::string userCollationLocaleId();

} // namespace sorvalind::text
