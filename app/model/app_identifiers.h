#pragma once
// The application's identifiers: its own, which names its settings domain
// and cache folder, and the one an earlier build ran under, whose settings
// are migrated at launch and deleted at reset.

#include <string_view>

namespace sorvalind {

inline constexpr std::string_view ownApplicationIdentifier = "nl.pwelkin.sorvalind";
inline constexpr std::string_view legacyApplicationIdentifier = "app.sorvalind.player";

} // namespace sorvalind
