#pragma once
// Requests for the fake server's media methods, built the way the client
// sends them: a form POST with the authentication items first.

#include "http/http_request.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/curl/query_item.h"

#include <string>
#include <vector>

namespace sorvalind::test {

// A POST of a media method ("stream", "download") with these parameters.
HttpRequest mediaRequest(const loopback::FakeSubsonicServer& server, const std::string& method,
                         std::vector<QueryItem> parameters);

} // namespace sorvalind::test
