#pragma once
// The words and measures of the artist page's biography: a short preview
// with a button that opens the whole text in a sheet.

#include <string>
#include <string_view>

namespace sorvalind {

struct ArtistBiographyTexts {
    // Lines of the biography the artist page shows before "Read more".
    static constexpr int previewLines = 3;
    static constexpr std::string_view readMore = "Read more";
    static constexpr std::string_view done = "Done";
    // The sheet with the whole text.
    static constexpr int pageWidth = 640;
    static constexpr int pageHeight = 480;

    // "Read more about <artist>": what a screen reader says for the button.
    static std::string readMoreAccessibilityLabel(std::string_view artistName) {
        return std::string("Read more about ").append(artistName);
    }
    // "About <artist>": the sheet's title.
    static std::string pageTitle(std::string_view artistName) {
        return std::string("About ").append(artistName);
    }
};

} // namespace sorvalind
