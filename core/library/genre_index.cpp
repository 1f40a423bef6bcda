#include "library/genre_index.h"

#include "platform/text/text.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace sorvalind {
namespace {

// Variant spellings, by their keys, and the label each stands for.
const std::unordered_map<std::string, std::string>& aliases() {
    static const std::unordered_map<std::string, std::string> table = [] {
        const std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
            {"Hip-Hop", {"hip-hop", "hip hop", "hiphop"}},
            {"R&B", {"r&b", "r & b", "rnb", "r and b", "rhythm & blues", "rhythm and blues"}},
            {"Synth-pop", {"synth-pop", "synth pop", "synthpop"}},
            {"Lo-Fi", {"lo-fi", "lo fi", "lofi"}},
            {"Singer/Songwriter",
             {"singer/songwriter", "singer / songwriter", "singer-songwriter", "singer songwriter"}},
        };
        std::unordered_map<std::string, std::string> byVariant;
        for (const auto& [canonical, variants] : groups)
            for (const auto& variant : variants)
                byVariant.emplace(variant, canonical);
        return byVariant;
    }();
    return table;
}

// Keys of texts that name the two genres Alternative and Indie at once.
const std::unordered_set<std::string>& alternativeAndIndie() {
    static const std::unordered_set<std::string> table = {
        "alternative & indie", "alternative and indie", "alternative/indie", "alternative / indie",
        "indie & alternative", "indie and alternative", "indie/alternative", "indie / alternative",
    };
    return table;
}

bool isSingleCase(const std::string& label) {
    return text::canonicallyEqual(label, text::toLower(label)) ||
           text::canonicallyEqual(label, text::toUpper(label));
}

} // namespace

std::string GenreIndex::cleaned(std::string_view text) {
    return text::collapseWhiteSpace(text);
}

std::string GenreIndex::normalized(std::string_view text) {
    return text::nfc(text::foldCase(text::nfc(cleaned(text))));
}

std::vector<std::string> GenreIndex::members(std::string_view rawName) {
    std::vector<std::string> result;
    std::size_t start = 0;
    while (true) {
        const std::size_t separator = rawName.find_first_of(";|", start);
        const std::string_view piece = rawName.substr(
            start, separator == std::string_view::npos ? std::string_view::npos : separator - start);
        if (alternativeAndIndie().count(normalized(piece)) != 0) {
            result.emplace_back("Alternative");
            result.emplace_back("Indie");
        } else {
            result.emplace_back(piece);
        }
        if (separator == std::string_view::npos) break;
        start = separator + 1;
    }
    return result;
}

bool GenreIndex::preferredLabel(const std::string& first, const std::string& second) {
    const bool firstSingle = isSingleCase(first);
    const bool secondSingle = isSingleCase(second);
    if (firstSingle != secondSingle) return !firstSingle;
    return text::canonicalLess(first, second);
}

std::string GenreIndex::label(std::string_view member) {
    const auto alias = aliases().find(normalized(member));
    if (alias != aliases().end()) return alias->second;
    return text::nfc(cleaned(member));
}

GenreIndex::GenreIndex(const std::vector<std::string>& rawNames) {
    std::map<std::string, std::set<std::string>> labelsByGroup;
    for (const std::string& raw : rawNames) {
        const std::string key = normalized(raw);
        if (key.empty()) continue;
        sourcesByOriginal_[key].push_back(raw);
        std::set<std::string> seen;
        for (const std::string& member : members(raw)) {
            std::string memberLabel = label(member);
            std::string groupKey = normalized(memberLabel);
            if (groupKey.empty()) continue;
            if (seen.insert(groupKey).second) sourcesByGenre_[groupKey].push_back(raw);
            labelsByGroup[groupKey].insert(std::move(memberLabel));
        }
    }

    std::vector<std::pair<std::string, std::string>> keyed; // group key, chosen label
    keyed.reserve(labelsByGroup.size());
    for (const auto& [groupKey, labels] : labelsByGroup)
        keyed.emplace_back(groupKey, *std::min_element(labels.begin(), labels.end(), preferredLabel));
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        const auto byKey = text::compareCanonical(a.first, b.first);
        if (byKey != 0) return byKey < 0;
        return text::canonicalLess(a.second, b.second);
    });
    names_.reserve(keyed.size());
    for (auto& entry : keyed)
        names_.push_back(std::move(entry.second));
}

std::vector<std::string> GenreIndex::rawNames(std::string_view genre) const {
    const std::string key = normalized(genre);
    const auto alias = aliases().find(key);
    const std::string groupKey = alias != aliases().end() ? normalized(alias->second) : normalized(genre);

    std::vector<std::string> result;
    if (auto group = sourcesByGenre_.find(groupKey); group != sourcesByGenre_.end())
        result = group->second;
    else if (auto original = sourcesByOriginal_.find(key); original != sourcesByOriginal_.end())
        result = original->second;
    std::stable_sort(result.begin(), result.end(),
                     [](const std::string& a, const std::string& b) { return text::canonicalLess(a, b); });
    return result;
}

} // namespace sorvalind
