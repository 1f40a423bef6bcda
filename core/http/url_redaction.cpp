#include "http/url_redaction.h"

#include "platform/text/text.h"

#include <algorithm>
#include <array>

namespace sorvalind {

bool isCredentialQueryName(std::string_view name) {
    static constexpr std::array<std::string_view, 9> names = {
        "u", "p", "t", "s", "apikey", "password", "token", "access_token", "authorization"};
    // Full Unicode lower-casing, so a look-alike such as the Kelvin sign in
    // "apiKey" cannot slip a credential past the check.
    std::string lower = text::toLower(name);
    return std::find(names.begin(), names.end(), lower) != names.end();
}

std::string redactedDescription(const Url& url) {
    return url.descriptionHiding(isCredentialQueryName);
}

} // namespace sorvalind
