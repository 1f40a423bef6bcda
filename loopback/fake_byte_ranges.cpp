#include "loopback/fake_subsonic_server.h"

#include <charconv>

namespace sorvalind::loopback {

namespace {

std::optional<std::uint64_t> number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

} // namespace

void serveBytes(const FakeRequest& request, httplib::Response& res, const std::string& bytes,
                const std::string& contentType) {
    res.set_header("Accept-Ranges", "bytes");
    std::optional<std::string> range = request.header("Range");
    const std::uint64_t size = bytes.size();
    if (!range) {
        res.status = 200;
        res.set_content(bytes, contentType);
        return;
    }
    auto unsatisfiable = [&] {
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(size));
        res.set_content("", contentType);
    };
    std::string_view rangeText = *range;
    if (!rangeText.starts_with("bytes=") || rangeText.find(',') != std::string_view::npos)
        return unsatisfiable();
    rangeText.remove_prefix(6);
    std::size_t dash = rangeText.find('-');
    if (dash == std::string_view::npos) return unsatisfiable();
    std::optional<std::uint64_t> first = number(rangeText.substr(0, dash));
    std::optional<std::uint64_t> last = number(rangeText.substr(dash + 1));
    std::uint64_t start = 0;
    std::uint64_t end = 0; // inclusive
    if (first) {
        if (*first >= size) return unsatisfiable();
        start = *first;
        end = last ? std::min(*last, size - 1) : size - 1;
        if (last && *last < *first) return unsatisfiable();
    } else {
        if (!last || *last == 0 || size == 0) return unsatisfiable();
        start = size - std::min(*last, size);
        end = size - 1;
    }
    res.status = 206;
    res.set_header("Content-Range",
                   "bytes " + std::to_string(start) + "-" + std::to_string(end) + "/" + std::to_string(size));
    res.set_content(bytes.substr(start, end - start + 1), contentType);
}

} // namespace sorvalind::loopback
