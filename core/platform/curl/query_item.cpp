#include "platform/curl/query_item.h"

namespace sorvalind {

namespace {

bool isUnreserved(unsigned char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string percentEncoded(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string formEncoded(const std::vector<QueryItem>& items) {
    std::string out;
    for (const QueryItem& item : items) {
        if (!out.empty()) out += '&';
        out += percentEncoded(item.name);
        if (item.value) {
            out += '=';
            out += percentEncoded(*item.value);
        }
    }
    return out;
}

std::vector<QueryItem> parseQueryItems(std::string_view query) {
    std::vector<QueryItem> items;
    if (query.empty()) return items;
    std::size_t start = 0;
    while (true) {
        std::size_t end = query.find('&', start);
        std::string_view pair = query.substr(start, end == std::string_view::npos ? end : end - start);
        std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos)
            items.push_back({percentDecoded(pair), std::nullopt});
        else
            items.push_back(
                {percentDecoded(pair.substr(0, equals)), percentDecoded(pair.substr(equals + 1))});
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return items;
}

} // namespace sorvalind
