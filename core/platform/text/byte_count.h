#pragma once
// Human-readable byte counts in file style: decimal multiples (1 KB = 1000
// bytes) with the unit abbreviations bytes, KB, MB, GB, TB, PB and EB.
// Any thread; throws std::bad_alloc only.

#include "platform/text/locale_number.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvalind {

// The file-size text of a byte count: "Zero KB", "1 byte", "999 bytes",
// "12 KB", "3.2 MB", "1.23 GB". Kilobytes show no fraction digits, megabytes
// at most one and larger units at most two, without trailing zeros; a count
// that rounds up to 1000 of a unit is shown in the next one (999,999 bytes is
// "1 MB"). The number is written in the given locale (see decimalText), so a
// German locale gives "3,2 MB"; the default is the fixed locale, so a text
// shown to the user passes text::userLocaleId(), read at call time. A negative
// count is written as its magnitude with a leading minus sign.
std::string fileByteCountText(std::int64_t bytes, std::string_view localeId = text::kFixedLocaleId);

} // namespace sorvalind
