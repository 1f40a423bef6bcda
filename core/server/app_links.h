#pragma once
// Fixed web addresses the application links to. Any thread; never throws.

#include <string_view>

namespace sorvalind {

struct AppLinks {
    AppLinks() = delete;

    // The maker's privacy-policy page (absolute HTTPS address).
    static constexpr std::string_view privacyPolicyURL = "https://pwelkin.nl/sorvalind/privacy";
};

} // namespace sorvalind
