#pragma once
// Moments in the text the server and the store exchange (ISO 8601 internet
// date-times) and in the text the user reads (a date and time in the user's
// locale and time zone, through ICU). Any thread; pure; throws
// std::bad_alloc only. core/store/internet_date_time.h writes the store's own
// form.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind::text {

// "2024-05-01T12:34:56Z", "2024-05-01T12:34:56.789+02:00" (fractions of any
// length, kept to the nanosecond; offsets as "+02:00", "+0200" or "+02").
// Servers also send a local time without any zone ("2024-05-01T12:34:56"):
// Subsonic servers write UTC there, so it reads as UTC. Anything else -- a
// date alone, a space for the "T", an impossible day, hour or offset, extra
// characters -- reads as nothing.
std::optional<std::chrono::system_clock::time_point> parseInternetDateTime(std::string_view text);

// The time zone of this machine (TZ, else /etc/localtime), as an identifier
// such as "Europe/Berlin"; read at call time.
std::string userTimeZoneId();

// `time` as an abbreviated date with hours and minutes, in the locale's own
// order and clock ("Dec 11, 2026, 2:32 PM" in en_US, "11. Dez. 2026, 14:32"
// in de_DE), in the given time zone (an unknown one counts as UTC).
std::string abbreviatedDateTimeText(std::chrono::system_clock::time_point time, std::string_view localeId,
                                    std::string_view timeZoneId);

} // namespace sorvalind::text
