#include "platform/text/locale_number.h"

#include "platform/text/unicode_string.h"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>

#include <cstdlib>

namespace sorvalind::text {
namespace {

// The POSIX way of naming the user's locale for numbers: LC_ALL, then
// LC_NUMERIC, then LANG.
std::string environmentLocale() {
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

} // namespace

std::string userLocaleId() {
    std::string posix = environmentLocale();
    // "de_DE.UTF-8@euro" names the locale "de_DE" plus a charset and modifier.
    posix = posix.substr(0, posix.find_first_of(".@"));
    if (posix.empty() || posix == "C" || posix == "POSIX") return std::string(kFixedLocaleId);
    const icu::Locale locale = icu::Locale::createCanonical(posix.c_str());
    if (locale.isBogus()) return std::string(kFixedLocaleId);
    return locale.getName();
}

std::string decimalText(double value, int minFractionDigits, int maxFractionDigits,
                        std::string_view localeId) {
    const icu::Locale locale = icu::Locale::createFromName(std::string(localeId).c_str());
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString formatted =
        icu::number::NumberFormatter::withLocale(locale)
            .precision(icu::number::Precision::minMaxFraction(minFractionDigits, maxFractionDigits))
            .roundingMode(UNUM_ROUND_HALFUP)
            .formatDouble(value, status)
            .toString(status);
    if (U_FAILURE(status)) return {};
    return icuutil::toUtf8(formatted);
}

} // namespace sorvalind::text
