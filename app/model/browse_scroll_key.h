#pragma once
// The key under which a browse page keeps its scroll offset: the route
// ("Home" for none), the search text and the grid's section ("home",
// "albums", "artists", "genres"). Plain value; any thread.

#include <functional>
#include <optional>
#include <string>

namespace sorvalind {

struct BrowseScrollKey {
    std::string route;
    std::string query;
    std::string section;

    static BrowseScrollKey make(const std::optional<std::string>& route, std::string query,
                                std::string section) {
        return {route.value_or("Home"), std::move(query), std::move(section)};
    }
    // Whether the key names what the window shows now; the section is not compared.
    bool isCurrent(const std::optional<std::string>& currentRoute, const std::string& currentQuery) const {
        return route == currentRoute.value_or("Home") && query == currentQuery;
    }

    friend bool operator==(const BrowseScrollKey&, const BrowseScrollKey&) = default;
};

struct BrowseScrollKeyHash {
    std::size_t operator()(const BrowseScrollKey& key) const noexcept {
        const std::hash<std::string> hash;
        std::size_t seed = hash(key.route);
        seed ^= hash(key.query) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        seed ^= hash(key.section) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        return seed;
    }
};

} // namespace sorvalind
