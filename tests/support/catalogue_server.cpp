#include "support/catalogue_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <stdexcept>

namespace sorvalind::test {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> queryPairs(const std::string& target) {
    std::vector<std::pair<std::string, std::string>> pairs;
    const std::size_t mark = target.find('?');
    if (mark == std::string::npos) return pairs;
    const std::string query = target.substr(mark + 1);
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string item = query.substr(start, end - start);
        if (!item.empty()) {
            const std::size_t equals = item.find('=');
            if (equals == std::string::npos) {
                pairs.emplace_back(percentDecoded(item), "");
            } else {
                pairs.emplace_back(percentDecoded(item.substr(0, equals)),
                                   percentDecoded(item.substr(equals + 1)));
            }
        }
        start = end + 1;
    }
    return pairs;
}

} // namespace

struct CatalogueServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    mutable std::mutex mutex;
    Handler handler;
    std::vector<CatalogueRequest> requests;

    void answer(const httplib::Request& request, httplib::Response& response) {
        CatalogueRequest recorded{request.path, request.target, queryPairs(request.target)};
        Handler current;
        {
            std::lock_guard lock(mutex);
            requests.push_back(recorded);
            current = handler;
        }
        CatalogueAnswer reply;
        if (request.path == "/moved") {
            reply.body = catalogueBody({});
        } else if (current) {
            reply = current(recorded);
        }
        response.status = reply.status;
        if (!reply.location.empty()) response.set_header("Location", reply.location);
        response.set_content(reply.body, "application/json");
    }
};

CatalogueServer::CatalogueServer() : impl_(std::make_unique<Impl>()) {
    Impl& impl = *impl_;
    impl.server.set_keep_alive_timeout(1);
    auto route = [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.answer(request, response);
    };
    impl.server.Get("/search", route);
    impl.server.Get("/moved", route);
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0) throw std::runtime_error("the catalogue server cannot listen");
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    while (!impl.server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

CatalogueServer::~CatalogueServer() {
    impl_->server.stop();
    if (impl_->thread.joinable()) impl_->thread.join();
}

std::string CatalogueServer::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port);
}

void CatalogueServer::setHandler(Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

std::vector<CatalogueRequest> CatalogueServer::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

std::size_t CatalogueServer::requestCount(const std::string& path) const {
    std::lock_guard lock(impl_->mutex);
    std::size_t count = 0;
    for (const CatalogueRequest& request : impl_->requests)
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
