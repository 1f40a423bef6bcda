#include "support/media_request.h"

namespace sorvalind::test {

HttpRequest mediaRequest(const loopback::FakeSubsonicServer& server, const std::string& method,
                         std::vector<QueryItem> parameters) {
    HttpRequest request(
        Url::parse(server.baseUrl()).appendingPathComponent("rest").appendingPathComponent(method + ".view"));
    std::vector<QueryItem> items = server.authItems();
    items.insert(items.end(), parameters.begin(), parameters.end());
    request.setFormBody(items);
    return request;
}

} // namespace sorvalind::test
