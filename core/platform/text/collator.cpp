#include "platform/text/collator.h"

#include "platform/text/unicode_string.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace sorvalind::text {
namespace {

std::unique_ptr<icu::Collator> makeCollator(const std::string& localeId) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = localeId.empty() ? icu::Locale::getRoot() : icu::Locale(localeId.c_str());
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || collator == nullptr) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (U_FAILURE(status) || collator == nullptr) throw std::bad_alloc();
    collator->setStrength(icu::Collator::TERTIARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    return collator;
}

} // namespace

std::string userCollationLocaleId() {
    std::string posix;
    for (const char* name : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            posix = value;
            break;
        }
    }
    // "de_DE.UTF-8@euro" names the locale "de_DE" plus a charset and modifier.
    posix = posix.substr(0, posix.find_first_of(".@"));
    if (posix.empty() || posix == "C" || posix == "POSIX") return {};
    const icu::Locale locale = icu::Locale::createCanonical(posix.c_str());
    if (locale.isBogus()) return {};
    return locale.getName();
}

Collator::Collator(std::string_view localeId) : localeId_(localeId), collator_(makeCollator(localeId_)) {
    if (localeId_ == "C" || localeId_ == "POSIX") {
        localeId_.clear();
        collator_ = makeCollator(localeId_);
    }
}

Collator::~Collator() = default;
Collator::Collator(Collator&&) noexcept = default;
Collator& Collator::operator=(Collator&&) noexcept = default;

Collator Collator::forUser() {
    return Collator(userCollationLocaleId());
}

std::weak_ordering Collator::compare(std::string_view a, std::string_view b) const {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = collator_->compareUTF8(
        icu::StringPiece(a.data(), static_cast<int32_t>(std::min<std::size_t>(a.size(), INT32_MAX))),
        icu::StringPiece(b.data(), static_cast<int32_t>(std::min<std::size_t>(b.size(), INT32_MAX))), status);
    if (result == UCOL_LESS) return std::weak_ordering::less;
    if (result == UCOL_GREATER) return std::weak_ordering::greater;
    return std::weak_ordering::equivalent;
}

std::string Collator::sortKey(std::string_view text) const {
    const icu::UnicodeString unicode = icuutil::fromUtf8(text);
    std::string key(std::max<std::size_t>(64, text.size() * 4), '\0');
    int32_t length = collator_->getSortKey(unicode, reinterpret_cast<uint8_t*>(key.data()),
                                           static_cast<int32_t>(key.size()));
    if (length > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(length));
        length = collator_->getSortKey(unicode, reinterpret_cast<uint8_t*>(key.data()),
                                       static_cast<int32_t>(key.size()));
    }
    // The key ends in a zero byte that adds nothing to the order.
    key.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return key;
}

} // namespace sorvalind::text
