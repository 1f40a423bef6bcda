#pragma once
// Numbers written for a locale through ICU: the locale's digits, decimal
// separator and grouping. Any thread; throws std::bad_alloc only (an unknown
// locale identifier falls back to ICU's root locale data).

#include <string>
#include <string_view>

namespace sorvalind::text {

// A locale whose number texts never change with the user's settings: a point
// as decimal separator and no grouping.
inline constexpr std::string_view kFixedLocaleId = "en_US_POSIX";

// The user's current locale identifier (such as "de_DE"), read from the
// environment's locale settings at call time; the C and POSIX locales give
// kFixedLocaleId.
std::string userLocaleId();

// `value` with at least `minFractionDigits` and at most `maxFractionDigits`
// fraction digits, rounded half up, in the locale's style: 22.05 with 0...3
// digits is "22.05" in en_US and "22,05" in de_DE; 1234.5 is "1,234.5" in
// en_US. Not-a-number and infinities give the locale's own symbols.
std::string decimalText(double value, int minFractionDigits, int maxFractionDigits,
                        std::string_view localeId);

} // namespace sorvalind::text
