#pragma once
// The grouping of raw genre texts as the server sends them ("Rock; Pop",
// "hip-hop", "HipHop") into one display label per genre, and back from a label
// to every raw text that stands for it.
//
// A plain immutable value: build and read it on any thread. Construction and
// lookups throw std::bad_alloc only.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

class GenreIndex {
public:
    // An index of no genres.
    GenreIndex() = default;

    // Builds the index from the distinct raw genre texts, in their given order.
    explicit GenreIndex(const std::vector<std::string>& rawNames);

    // The display labels, one per genre group, ordered by their keys.
    const std::vector<std::string>& names() const noexcept { return names_; }

    // Group key -> every raw text contributing to that group, in input order.
    const std::map<std::string, std::vector<std::string>>& sourcesByGenre() const noexcept {
        return sourcesByGenre_;
    }

    // Key of a whole raw text -> the raw texts with that key, in input order.
    const std::map<std::string, std::vector<std::string>>& sourcesByOriginal() const noexcept {
        return sourcesByOriginal_;
    }

    // The raw texts a label (or any genre text, a whole raw text included)
    // stands for, in string order; empty when nothing matches.
    std::vector<std::string> rawNames(std::string_view genre) const;

private:
    static std::string cleaned(std::string_view text);
    static std::string normalized(std::string_view text);
    static std::vector<std::string> members(std::string_view rawName);
    static bool preferredLabel(const std::string& first, const std::string& second);
    static std::string label(std::string_view member);

    std::vector<std::string> names_;
    std::map<std::string, std::vector<std::string>> sourcesByGenre_;
    std::map<std::string, std::vector<std::string>> sourcesByOriginal_;
};

} // namespace sorvalind
