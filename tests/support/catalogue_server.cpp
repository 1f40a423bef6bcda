#include "support/catalogue_server.h"

#include "loopback/fake_subsonic_server.h"

#include <nlohmann/json.hpp>

#include <mutex>

namespace sorvalind::test {

namespace {

CatalogueRequest describe(const loopback::FakeRequest& request) {
    CatalogueRequest described{request.path, {}};
    for (const QueryItem& item : request.params)
        described.query.emplace_back(item.name, item.value.value_or(""));
    return described;
}

} // namespace

struct CatalogueServer::Impl {
    std::mutex mutex;
    Handler handler;
    // Declared last so that it stops before the handler it calls goes away.
    loopback::FakeSubsonicServer server;
};

CatalogueServer::CatalogueServer() : impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    impl.server.setRoute(
        "/search", [&impl](const loopback::FakeRequest& request, httplib::Response& response) {
            Handler current;
            {
                std::lock_guard lock(impl.mutex);
                current = impl.handler;
            }
            const CatalogueAnswer reply = current ? current(describe(request)) : CatalogueAnswer{};
            response.status = reply.status;
            if (!reply.location.empty()) response.set_header("Location", reply.location);
            response.set_content(reply.body, "application/json");
        });
    impl.server.setRoute("/moved", [](const loopback::FakeRequest&, httplib::Response& response) {
        response.status = 200;
        response.set_content(catalogueBody({}), "application/json");
    });
}

CatalogueServer::~CatalogueServer() = default;

std::string CatalogueServer::baseURL() const {
    return impl_->server.baseUrl();
}

void CatalogueServer::setHandler(Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

std::vector<CatalogueRequest> CatalogueServer::requests() const {
    std::vector<CatalogueRequest> described;
    for (const loopback::FakeRequest& request : impl_->server.requests())
        described.push_back(describe(request));
    return described;
}

std::size_t CatalogueServer::requestCount(const std::string& path) const {
    std::size_t count = 0;
    for (const loopback::FakeRequest& request : impl_->server.requests())
        count += request.path == path ? 1 : 0;
    return count;
}

std::string catalogueResult(const std::string& trackName, const std::string& artistName,
                            const std::string& trackViewUrl, double trackTimeMillis,
                            const std::string& collectionName, const std::string& kind) {
    nlohmann::json result = {{"wrapperType", "track"},
                             {"kind", kind},
                             {"trackName", trackName},
                             {"artistName", artistName},
                             {"trackViewUrl", trackViewUrl}};
    if (trackTimeMillis >= 0) result["trackTimeMillis"] = trackTimeMillis;
    if (!collectionName.empty()) result["collectionName"] = collectionName;
    return result.dump();
}

std::string catalogueBody(const std::vector<std::string>& results) {
    std::string body = R"({"resultCount":)" + std::to_string(results.size()) + R"(,"results":[)";
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (i > 0) body += ',';
        body += results[i];
    }
    return body + "]}";
}

} // namespace sorvalind::test
