#pragma once
// A stand-in for the public music catalogue's search service: real HTTP on
// 127.0.0.1 with a port of its own, served by the fake server's plain routes.
// Every request to "/search" is recorded and answered by the handler the test
// installs (by default an empty result list). "/moved" answers 200 with a
// result list, so a test can tell whether a redirect to it was followed.
//
// Construct and destroy on the test's thread; the handler runs on the
// server's threads. Throws std::runtime_error when it cannot listen.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sorvalind::test {

struct CatalogueRequest {
    std::string path;
    // The query's decoded name/value pairs, in the order sent.
    std::vector<std::pair<std::string, std::string>> query;
};

struct CatalogueAnswer {
    int status = 200;
    std::string body = R"({"results":[]})";
    // Sent as "Location" when not empty.
    std::string location;
};

class CatalogueServer {
public:
    using Handler = std::function<CatalogueAnswer(const CatalogueRequest&)>;

    CatalogueServer();
    ~CatalogueServer();
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string baseURL() const;
    void setHandler(Handler handler);

    std::vector<CatalogueRequest> requests() const;
    std::size_t requestCount(const std::string& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One search result in the catalogue's JSON form.
std::string catalogueResult(const std::string& trackName, const std::string& artistName,
                            const std::string& trackViewUrl, double trackTimeMillis = -1,
                            const std::string& collectionName = "", const std::string& kind = "song");
// {"results":[...]} of the given results.
std::string catalogueBody(const std::vector<std::string>& results);

} // namespace sorvalind::test
