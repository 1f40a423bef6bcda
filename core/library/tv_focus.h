#pragma once
// The one focused element of the remote-control front end: a tab of the
// navigation bar, a content row or a player control, each named by text.
// Plain value; any thread. Nothing here throws except on allocation failure.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace sorvalind {

class TVFocus {
public:
    // Declared in the order the areas are listed; equality and hashing go by
    // kind and payload together.
    enum class Kind { navigation, content, player };

    static TVFocus navigation(std::string tab) { return TVFocus(Kind::navigation, std::move(tab)); }
    static TVFocus content(std::string rowID) { return TVFocus(Kind::content, std::move(rowID)); }
    static TVFocus player(std::string control) { return TVFocus(Kind::player, std::move(control)); }

    Kind kind() const noexcept { return kind_; }
    // The tab text, row identifier or control name.
    const std::string& payload() const noexcept { return payload_; }

    bool isContent(std::string_view rowID) const noexcept {
        return kind_ == Kind::content && payload_ == rowID;
    }
    bool isPlayer(std::string_view control) const noexcept {
        return kind_ == Kind::player && payload_ == control;
    }

    friend bool operator==(const TVFocus&, const TVFocus&) = default;

private:
    TVFocus(Kind kind, std::string payload) : kind_(kind), payload_(std::move(payload)) {}

    Kind kind_;
    std::string payload_;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::TVFocus> {
    std::size_t operator()(const sorvalind::TVFocus& focus) const noexcept {
        std::size_t h = std::hash<std::string>{}(focus.payload());
        return h ^ (static_cast<std::size_t>(focus.kind()) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};
