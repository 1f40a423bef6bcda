#include "downloads_bench/bare_sequence.h"

#include "bare_decode/bare_decode.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace sorvalind::bench {

namespace {

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* opaque) {
    const int fd = *static_cast<int*>(opaque);
    const std::size_t length = size * count;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd, data + done, length - done);
        if (n <= 0) return 0;
        done += static_cast<std::size_t>(n);
    }
    return length;
}

void fetch(CURL* curl, const std::string& url, const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) throw std::runtime_error("cannot create " + file.string());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &fd);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    const bool closed = ::close(fd) == 0;
    if (code != CURLE_OK || status != 200 || !closed) throw std::runtime_error("bare fetch failed: " + url);
}

} // namespace

void bareSequence(const std::vector<BenchSong>& songs, const std::vector<std::string>& urls,
                  const std::filesystem::path& folder, int parallel) {
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::exception_ptr failure;
    auto work = [&](int lane) {
        try {
            std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
            if (!handle) throw std::runtime_error("curl_easy_init failed");
            for (std::size_t i = next++; i < songs.size(); i = next++) {
                const auto part = folder / ("lane" + std::to_string(lane) + ".part");
                fetch(handle.get(), urls[i], part);
                const auto frames = static_cast<double>(bareFlac(part));
                if (std::abs(frames - benchSongSeconds * outputRate) > outputRate)
                    throw std::runtime_error("a bare decode gave the wrong length");
                std::filesystem::rename(part, folder / (songs[i].id + ".flac"));
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            failure = std::current_exception();
        }
    };
    std::vector<std::thread> lanes;
    for (int lane = 0; lane < parallel; ++lane)
        lanes.emplace_back(work, lane);
    for (auto& lane : lanes)
        lane.join();
    if (failure) std::rethrow_exception(failure);
}

} // namespace sorvalind::bench
