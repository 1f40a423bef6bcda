#pragma once
// The one quality type for streaming and downloading: the server's file
// unchanged, or MP3 transcoded by the server at a maximum bit rate. Stored by
// its raw value (user settings, the downloads table, JSON).
// Any thread; a plain value. Nothing here throws except label() on memory
// exhaustion.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class DownloadQuality {
public:
    enum Case : std::uint8_t { original, mp3_192, mp3_256, mp3_320 };

    constexpr DownloadQuality(Case value) noexcept : value_(value) {}
    constexpr operator Case() const noexcept { return value_; }

    // The case whose raw value is exactly `raw`; none for any other text.
    static std::optional<DownloadQuality> fromRaw(std::string_view raw) noexcept;
    // All four cases in the order the quality pickers list them.
    static const std::array<DownloadQuality, 4>& allCases() noexcept;

    std::string_view rawValue() const noexcept;
    std::string_view id() const noexcept { return rawValue(); }
    // "Original quality", or "MP3 · 320 kbps" with a middle dot.
    std::string label() const;
    // The maximum bit rate in kbit/s that a stream request carries; none for
    // the original file.
    std::optional<std::int64_t> bitrate() const noexcept;

private:
    Case value_;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::DownloadQuality> {
    std::size_t operator()(sorvalind::DownloadQuality quality) const noexcept {
        return std::hash<std::string_view>{}(quality.rawValue());
    }
};
