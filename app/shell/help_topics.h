#pragma once
// The help window's fixed English pages: six topics, each a heading, an
// optional introduction and titled paragraphs; the keyboard topic also holds
// the shortcut table, which the help view takes from the application's one
// key table. Any thread; plain constant data.

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace sorvalind {

enum class HelpTopic { connecting, library, playback, downloads, shortcuts, troubleshooting };

struct HelpSection {
    std::string_view title;
    std::string_view body;
};

struct HelpPage {
    // Before everything else; empty when the topic has none.
    std::string_view introduction;
    // The shortcut table follows the introduction.
    bool showsShortcuts = false;
    std::span<const HelpSection> sections;
};

struct HelpTopics {
    HelpTopics() = delete;

    static constexpr std::string_view windowTitle = "Sorvalind Help";
    // The topic a new window opens on, and the page shown without a selection.
    static constexpr HelpTopic initial = HelpTopic::connecting;

    static const std::array<HelpTopic, 6>& all() noexcept;
    static std::string_view rawValue(HelpTopic topic) noexcept;
    static std::optional<HelpTopic> fromRaw(std::string_view raw) noexcept;
    static std::string_view title(HelpTopic topic) noexcept;
    // The symbol shown beside the title in the list and the heading.
    static std::string_view symbol(HelpTopic topic) noexcept;
    static HelpPage page(HelpTopic topic) noexcept;
};

} // namespace sorvalind
