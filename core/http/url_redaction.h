#pragma once
// Which query items carry Subsonic credentials, and URL text with them left
// out. The URL layer knows nothing of these names; the server layer decides
// what is secret. Pure; any thread; throws std::bad_alloc only.

#include "platform/curl/url.h"

#include <string>
#include <string_view>

namespace sorvalind {

// True for the query names that carry credentials (u, p, t, s, apiKey,
// password, token, access_token, authorization; any case).
bool isCredentialQueryName(std::string_view name);

// Printable text safe for logs: no user or password, no fragment, and the
// credential query items left out.
std::string redactedDescription(const Url& url);

} // namespace sorvalind
