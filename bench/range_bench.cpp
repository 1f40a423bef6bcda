// A ranged read of a whole 50 MB file over loopback in 128 KiB blocks through
// RangeReader, against a bare libcurl loop in the same run that issues the
// same range requests (same headers and body) on one connection and writes
// each block into a buffer. Both read from the same in-process fake server;
// each side runs several rounds, alternating, and the best round counts.
#include "audio/range_reader.h"
#include "http/http_session.h"
#include "loopback/fake_subsonic_server.h"
#include "runtime/thread_executor.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace sorvalind;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t fileBytes = 50 * 1000 * 1000;
constexpr std::int64_t block = RangeReader::blockSize;
constexpr int rounds = 9;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

HttpRequest streamRequest(const loopback::FakeSubsonicServer& server) {
    HttpRequest request(Url::parse(server.baseUrl() + "/rest/stream.view"));
    std::vector<QueryItem> items = server.authItems();
    items.push_back({"id", "big"});
    items.push_back({"format", "raw"});
    items.push_back({"maxBitRate", "0"});
    request.setFormBody(items);
    return request;
}

// Our reader: one read per block, as a decoder reading straight through does.
double readThroughReader(const HttpRequest& request, const std::shared_ptr<HttpSession>& session,
                         Executor& timers, std::vector<std::byte>& into) {
    const auto start = Clock::now();
    RangeReader reader(request, session, timers);
    reader.prepare();
    if (reader.size() != fileBytes) throw std::runtime_error("the reader saw another size");
    for (std::int64_t at = 0; at < fileBytes; at += block) {
        std::size_t length = static_cast<std::size_t>(std::min(block, fileBytes - at));
        if (reader.read(at, std::span(into.data() + at, length)) != length)
            throw std::runtime_error("short read");
    }
    return secondsSince(start);
}

struct Target {
    std::byte* at;
    std::size_t room;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* opaque) {
    auto* target = static_cast<Target*>(opaque);
    std::size_t length = size * count;
    if (length > target->room) return 0;
    std::memcpy(target->at, data, length);
    target->at += length;
    target->room -= length;
    return length;
}

// The bare loop: one easy handle (so one connection), the same requests.
double readBare(const HttpRequest& request, std::vector<std::byte>& into) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) throw std::runtime_error("curl_easy_init failed");
    CURL* curl = handle.get();
    const auto start = Clock::now();
    curl_easy_setopt(curl, CURLOPT_URL, request.url.absoluteString().c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(request.body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    for (std::int64_t at = 0; at < fileBytes; at += block) {
        std::int64_t end = std::min(at + block, fileBytes) - 1;
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
        for (const auto& [name, value] : request.headers)
            headers.reset(curl_slist_append(headers.release(), (name + ": " + value).c_str()));
        for (const std::string& line : std::vector<std::string>{
                 "Cache-Control: no-store", "Pragma: no-cache", "Accept-Encoding: identity",
                 "Range: bytes=" + std::to_string(at) + "-" + std::to_string(end)})
            headers.reset(curl_slist_append(headers.release(), line.c_str()));
        Target target{into.data() + at, static_cast<std::size_t>(end - at + 1)};
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &target);
        CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK || status != 206 || target.room != 0)
            throw std::runtime_error("bare range failed");
    }
    return secondsSince(start);
}

} // namespace

int main() {
    try {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        loopback::FakeSubsonicServer server;
        std::string file(static_cast<std::size_t>(fileBytes), '\0');
        for (std::size_t i = 0; i < file.size(); ++i)
            file[i] = static_cast<char>((i * 2654435761u) >> 13);
        server.setMedia("big", {file, "audio/flac", {}});
        const HttpRequest request = streamRequest(server);
        auto session = std::make_shared<HttpSession>();
        SerialQueue timers("timers");

        std::vector<std::byte> ours(file.size()), bare(file.size());
        double bestOurs = 1e9, bestBare = 1e9;
        for (int round = 0; round < rounds; ++round) {
            double bareRound = readBare(request, bare);
            double oursRound = readThroughReader(request, session, timers, ours);
            std::printf("  round %d: reader %.1f ms, bare %.1f ms\n", round + 1, oursRound * 1e3,
                        bareRound * 1e3);
            bestBare = std::min(bestBare, bareRound);
            bestOurs = std::min(bestOurs, oursRound);
        }
        if (std::memcmp(ours.data(), file.data(), file.size()) != 0 ||
            std::memcmp(bare.data(), file.data(), file.size()) != 0)
            throw std::runtime_error("the bytes read differ from the file");

        const double megabytes = static_cast<double>(fileBytes) / 1e6;
        std::printf("ranged read of %.0f MB in %lld-byte blocks, best of %d rounds\n", megabytes,
                    static_cast<long long>(block), rounds);
        std::printf("  RangeReader      %8.1f ms  %8.1f MB/s\n", bestOurs * 1e3, megabytes / bestOurs);
        std::printf("  bare libcurl     %8.1f ms  %8.1f MB/s\n", bestBare * 1e3, megabytes / bestBare);
        std::printf("  ratio            %8.2fx the bare loop (goal: within 1.20x)\n", bestOurs / bestBare);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "range_bench: %s\n", error.what());
        return 1;
    }
}
