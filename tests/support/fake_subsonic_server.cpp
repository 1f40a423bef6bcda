#include "support/fake_subsonic_server.h"

#include "platform/crypto/digest.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace sorvalind::test {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

// Standard form decoding: "+" is a space, then %XX escapes.
std::vector<QueryItem> formDecoded(std::string_view text) {
    std::vector<QueryItem> items;
    auto decode = [](std::string_view part) {
        std::string spaced(part);
        std::replace(spaced.begin(), spaced.end(), '+', ' ');
        return percentDecoded(spaced);
    };
    while (!text.empty()) {
        std::size_t end = text.find('&');
        std::string_view pair = text.substr(0, end);
        if (!pair.empty()) {
            std::size_t equals = pair.find('=');
            if (equals == std::string_view::npos)
                items.push_back({decode(pair), std::nullopt});
            else
                items.push_back({decode(pair.substr(0, equals)), decode(pair.substr(equals + 1))});
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return items;
}

FakeRequest describe(const httplib::Request& req) {
    FakeRequest request;
    request.httpMethod = req.method;
    request.path = req.path;
    if (req.path.starts_with("/rest/")) {
        std::string name = req.path.substr(6);
        if (name.ends_with(".view")) name.resize(name.size() - 5);
        request.restMethod = name;
    }
    std::size_t question = req.target.find('?');
    if (question != std::string::npos)
        request.params = formDecoded(std::string_view(req.target).substr(question + 1));
    for (const auto& [name, value] : req.headers)
        request.headers.emplace_back(name, value);
    request.body = req.body;
    std::string type = req.get_header_value("Content-Type");
    if (type.starts_with("application/x-www-form-urlencoded")) {
        std::vector<QueryItem> form = formDecoded(req.body);
        request.params.insert(request.params.end(), form.begin(), form.end());
    }
    return request;
}

} // namespace

std::optional<std::string> FakeRequest::param(std::string_view name) const {
    for (const auto& item : params)
        if (item.name == name) return item.value.value_or("");
    return std::nullopt;
}

std::vector<std::string> FakeRequest::paramValues(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& item : params)
        if (item.name == name) values.push_back(item.value.value_or(""));
    return values;
}

std::optional<std::string> FakeRequest::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name)) return value;
    return std::nullopt;
}

FakeSubsonicServer::FakeSubsonicServer() : FakeSubsonicServer(Options{}) {}

FakeSubsonicServer::FakeSubsonicServer(Options options)
    : options_(std::move(options)), library_(options_.library) {
    for (auto& [id, playlist] : library_.playlists)
        playlist["owner"] = options_.user;
    addStandardMethods();
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_.Get(".*", handler);
    server_.Post(".*", handler);
    server_.set_keep_alive_timeout(1);
    // Answers go out in several writes; without this each waits for a delayed ACK.
    server_.set_tcp_nodelay(true);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("the fake server could not bind to 127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeSubsonicServer::~FakeSubsonicServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stallChanged_.notify_all();
    server_.stop();
    thread_.join();
}

std::string FakeSubsonicServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<QueryItem> FakeSubsonicServer::authItems() const {
    std::string salt = randomHex(16);
    return {{"u", options_.user}, {"t", md5Hex(options_.password + salt)},
            {"s", salt},          {"v", "1.16.1"},
            {"c", "tests"},       {"f", "json"}};
}

void FakeSubsonicServer::setMethod(const std::string& name, RestHandler handler) {
    std::lock_guard lock(mutex_);
    methods_[name] = std::move(handler);
}

FakeSubsonicServer::RestHandler FakeSubsonicServer::method(const std::string& name) const {
    std::lock_guard lock(mutex_);
    auto found = methods_.find(name);
    return found == methods_.end() ? RestHandler() : found->second;
}

void FakeSubsonicServer::setRoute(const std::string& path, RouteHandler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

void FakeSubsonicServer::injectFault(FakeFault fault, int count, const std::string& restMethod) {
    std::lock_guard lock(mutex_);
    faults_.push_back({std::move(fault), count, restMethod});
}

void FakeSubsonicServer::releaseStalled() {
    {
        std::lock_guard lock(mutex_);
        ++releaseGeneration_;
    }
    stallChanged_.notify_all();
}

std::vector<FakeRequest> FakeSubsonicServer::requests() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::size_t FakeSubsonicServer::requestCount(const std::string& restMethod) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        log_.begin(), log_.end(), [&](const FakeRequest& r) { return r.restMethod == restMethod; }));
}

void FakeSubsonicServer::clearRequests() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

void FakeSubsonicServer::okResponse(httplib::Response& res, const nlohmann::json& payload) const {
    nlohmann::json body = {{"status", "ok"}, {"version", "1.16.1"}};
    if (options_.openSubsonic) {
        body["type"] = "fakesonic";
        body["serverVersion"] = "0.55.0";
        body["openSubsonic"] = true;
    }
    for (const auto& [key, value] : payload.items())
        body[key] = value;
    res.status = 200;
    res.set_content(nlohmann::json{{"subsonic-response", body}}.dump(), "application/json");
}

void FakeSubsonicServer::failedResponse(httplib::Response& res, int code, const std::string& message) const {
    okResponse(res, {{"error", {{"code", code}, {"message", message}}}});
    nlohmann::json body = nlohmann::json::parse(res.body);
    body["subsonic-response"]["status"] = "failed";
    res.set_content(body.dump(), "application/json");
}

void FakeSubsonicServer::dispatch(const httplib::Request& req, httplib::Response& res) {
    // Byte ranges are answered by the handlers themselves (serveBytes), never
    // by the library's own range handling. The request object is not const
    // inside the library; only its handler interface is.
    const_cast<httplib::Request&>(req).ranges.clear();

    FakeRequest request = describe(req);
    std::optional<FakeFault> fault;
    RouteHandler route;
    {
        std::lock_guard lock(mutex_);
        log_.push_back(request);
        for (auto it = faults_.begin(); it != faults_.end(); ++it) {
            if (!it->restMethod.empty() && it->restMethod != request.restMethod) continue;
            fault = it->fault;
            if (--it->remaining <= 0) faults_.erase(it);
            break;
        }
        if (auto found = routes_.find(request.path); found != routes_.end()) route = found->second;
    }
    if (fault && fault->kind == FakeFault::Kind::httpStatus) {
        res.status = fault->code;
        res.set_content("HTTP " + std::to_string(fault->code), "text/plain");
        return;
    }
    if (fault && fault->kind == FakeFault::Kind::redirect) {
        res.status = fault->code;
        res.set_header("Location", fault->location);
        res.set_content("Redirecting", "text/plain");
        return;
    }
    if (fault && fault->kind == FakeFault::Kind::subsonicError) {
        failedResponse(res, fault->code, "Injected failure");
        return;
    }

    if (route)
        route(request, res);
    else if (!request.restMethod.empty())
        handleRest(request, res);
    else {
        res.status = 404;
        res.set_content("Not found", "text/plain");
    }
    if (fault) applyBodyFault(*fault, res);
}

bool FakeSubsonicServer::authenticate(const FakeRequest& request, httplib::Response& res) const {
    std::optional<std::string> user = request.param("u");
    std::optional<std::string> token = request.param("t");
    std::optional<std::string> salt = request.param("s");
    std::optional<std::string> password = request.param("p");
    if (!user || !request.param("v") || !request.param("c") || (!(token && salt) && !password)) {
        failedResponse(res, 10, "Required parameter is missing.");
        return false;
    }
    bool valid = *user == options_.user && (token && salt ? *token == md5Hex(options_.password + *salt)
                                                          : *password == options_.password);
    if (!valid) failedResponse(res, 40, "Wrong username or password");
    return valid;
}

void FakeSubsonicServer::handleRest(const FakeRequest& request, httplib::Response& res) {
    RestHandler handler;
    {
        std::lock_guard lock(mutex_);
        if (auto found = methods_.find(request.restMethod); found != methods_.end()) handler = found->second;
    }
    if (!handler) {
        // What a real server does for a method it does not implement.
        res.status = 501;
        res.set_content("Not Implemented", "text/plain");
        return;
    }
    if (!authenticate(request, res)) return;
    handler(request, res);
}

void FakeSubsonicServer::applyBodyFault(const FakeFault& fault, httplib::Response& res) {
    std::string body = std::move(res.body);
    res.body.clear();
    std::string type = res.get_header_value("Content-Type");
    std::size_t half = body.size() / 2;
    if (fault.kind == FakeFault::Kind::truncatedBody) {
        res.set_content_provider(body.size(), type,
                                 [body, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset > 0 || half == 0)
                                         return false; // closes the connection short of the announced length
                                     sink.write(body.data(), half);
                                     return true;
                                 });
        return;
    }
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        generation = releaseGeneration_;
    }
    res.set_content_provider(
        body.size(), type,
        [this, body, half, generation](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset == 0) {
                sink.write(body.data(), half);
                return true;
            }
            std::unique_lock lock(mutex_);
            while (!stopping_ && releaseGeneration_ == generation) {
                stallChanged_.wait_for(lock, std::chrono::milliseconds(50));
                if (!sink.is_writable()) return false;
            }
            if (stopping_) return false;
            lock.unlock();
            sink.write(body.data() + half, body.size() - half);
            return true;
        });
}

} // namespace sorvalind::test
