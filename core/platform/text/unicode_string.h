#pragma once
// Conversions between UTF-8 and ICU's UTF-16 strings, for the text layers
// built on ICU. Any thread. Bad UTF-8 sequences become U+FFFD; texts of 2 GiB
// or more throw std::length_error.

#include <unicode/unistr.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvalind::icuutil {

inline icu::UnicodeString fromUtf8(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT32_MAX)) throw std::length_error("Text is too long.");
    return icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

inline std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

} // namespace sorvalind::icuutil
