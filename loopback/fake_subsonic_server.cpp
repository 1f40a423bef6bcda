#include "loopback/fake_subsonic_server.h"

#include "platform/crypto/digest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace sorvalind::loopback {

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

// Connections served at once.
constexpr std::size_t threadCount = 24;

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
    request.remotePort = req.remote_port;
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
    addMediaMethods();
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_.Get(".*", handler);
    server_.Post(".*", handler);
    server_.set_keep_alive_timeout(1);
    // A real server keeps a connection for as many requests as a client
    // sends; a ranged reader sends one a block on the same connection.
    server_.set_keep_alive_max_count(1000000);
    // Enough threads for the parallel downloads and streams of the tests on
    // top of the REST calls (the library's default follows the core count).
    // The server owns and deletes the queue it is given.
    server_.new_task_queue = [] { return new httplib::ThreadPool(threadCount); };
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

void FakeSubsonicServer::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
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
    FakeRequest request = describe(req);
    // Byte ranges are answered by the handlers themselves (serveBytes), never
    // by the library's own range handling. Nor are answers ever compressed,
    // whatever the client accepts: the library compresses at its slowest
    // setting, which would make the server the slowest part of every test,
    // and ranged readers need the bytes as they are. The request object is
    // not const inside the library; only its handler interface is.
    auto& mutableRequest = const_cast<httplib::Request&>(req);
    mutableRequest.ranges.clear();
    mutableRequest.headers.erase("Accept-Encoding");

    std::optional<FakeFault> fault;
    RouteHandler route;
    // A release reaches every request logged before it, even one whose
    // answer has not started yet.
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        log_.push_back(request);
        generation = releaseGeneration_;
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
    if (fault && fault->kind == FakeFault::Kind::delayedHeaders && !pause(fault->delay)) {
        res.status = 503;
        return;
    }
    if (fault && fault->kind == FakeFault::Kind::ignoredRange)
        std::erase_if(request.headers, [](const auto& header) { return sameName(header.first, "Range"); });

    if (route)
        route(request, res);
    else if (!request.restMethod.empty())
        handleRest(request, res);
    else {
        res.status = 404;
        res.set_content("Not found", "text/plain");
    }
    if (fault && fault->kind == FakeFault::Kind::wrongContentRange && res.status == 206) {
        // "bytes a-b/n" becomes "bytes a+1-b+1/n".
        std::string range = res.get_header_value("Content-Range");
        unsigned long long first = 0, last = 0, total = 0;
        if (std::sscanf(range.c_str(), "bytes %llu-%llu/%llu", &first, &last, &total) == 3) {
            res.headers.erase("Content-Range");
            res.set_header("Content-Range", "bytes " + std::to_string(first + 1) + "-" +
                                                std::to_string(last + 1) + "/" + std::to_string(total));
        }
    }
    if (fault) applyBodyFault(*fault, res, generation);
}

bool FakeSubsonicServer::pause(std::chrono::milliseconds span) {
    std::unique_lock lock(mutex_);
    return !stallChanged_.wait_for(lock, span, [this] { return stopping_; });
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

void FakeSubsonicServer::applyBodyFault(const FakeFault& fault, httplib::Response& res,
                                        std::uint64_t generation) {
    using Kind = FakeFault::Kind;
    // Where the body stops short (for good or until released), and how fast it goes.
    std::size_t dropAt = std::string::npos;
    std::size_t stallAt = std::string::npos;
    std::size_t rate = 0;
    switch (fault.kind) {
    case Kind::truncatedBody:
        dropAt = res.body.size() / 2;
        break;
    case Kind::stalledBody:
        stallAt = res.body.size() / 2;
        break;
    case Kind::dropAtByte:
        dropAt = fault.bytes;
        break;
    case Kind::stallAtByte:
        stallAt = fault.bytes;
        break;
    case Kind::throttled:
        rate = std::max<std::size_t>(fault.bytesPerSecond, 1);
        break;
    default:
        return;
    }
    if (res.body.empty() || (dropAt >= res.body.size() && stallAt >= res.body.size() && rate == 0)) return;

    auto body = std::make_shared<const std::string>(std::move(res.body));
    res.body.clear();
    std::string type = res.get_header_value("Content-Type");
    // Throttled bodies go out in twentieths of a second's worth of bytes.
    constexpr auto step = std::chrono::milliseconds(50);
    const std::size_t slice = rate == 0 ? body->size() : std::max<std::size_t>(rate / 20, 1);
    res.set_content_provider(body->size(), type,
                             [this, body, dropAt, stallAt, rate, slice, step,
                              generation](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 // Returning false closes the connection short of the announced length.
                                 if (offset >= dropAt) return false;
                                 if (offset >= stallAt) {
                                     std::unique_lock lock(mutex_);
                                     while (!stopping_ && releaseGeneration_ == generation) {
                                         stallChanged_.wait_for(lock, step);
                                         if (!sink.is_writable()) return false;
                                     }
                                     if (stopping_) return false;
                                 }
                                 if (rate != 0 && !pause(step)) return false;
                                 std::size_t end = std::min({offset + length, offset + slice, dropAt});
                                 if (offset < stallAt) end = std::min(end, stallAt);
                                 return sink.write(body->data() + offset, end - offset);
                             });
}

} // namespace sorvalind::loopback
