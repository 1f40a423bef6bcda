#pragma once
// UTF-8 texts of the model and of the fixed wording as Qt strings.
// Any thread.

#include <QString>

#include <string_view>

namespace sorvalind {

inline QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace sorvalind
