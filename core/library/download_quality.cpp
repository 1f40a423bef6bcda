#include "library/download_quality.h"

#include "library/raw_value_enum.h"

#include <charconv>

namespace sorvalind {
namespace {

constexpr std::array<std::string_view, 4> kRawValues{"original", "mp3_192", "mp3_256", "mp3_320"};

} // namespace

std::optional<DownloadQuality> DownloadQuality::fromRaw(std::string_view raw) noexcept {
    auto index = detail::indexOfRaw(kRawValues, raw);
    if (!index) return std::nullopt;
    return DownloadQuality(static_cast<Case>(*index));
}

const std::array<DownloadQuality, 4>& DownloadQuality::allCases() noexcept {
    static const std::array<DownloadQuality, 4> cases{original, mp3_192, mp3_256, mp3_320};
    return cases;
}

std::string_view DownloadQuality::rawValue() const noexcept {
    return kRawValues[value_];
}

std::optional<std::int64_t> DownloadQuality::bitrate() const noexcept {
    // The bit rate is the last non-empty "_"-separated piece of the raw value,
    // when that piece is a decimal number.
    std::string_view raw = rawValue();
    while (!raw.empty() && raw.back() == '_')
        raw.remove_suffix(1);
    std::string_view last =
        raw.substr(raw.find_last_of('_') == std::string_view::npos ? 0 : raw.find_last_of('_') + 1);
    if (last.empty()) return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(last.data(), last.data() + last.size(), value);
    if (error != std::errc() || end != last.data() + last.size()) return std::nullopt;
    return value;
}

std::string DownloadQuality::label() const {
    auto rate = bitrate();
    if (value_ == original || !rate) return "Original quality";
    return "MP3 \u00b7 " + std::to_string(*rate) + " kbps";
}

} // namespace sorvalind
