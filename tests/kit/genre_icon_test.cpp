// Genre names as servers spell them meet one look per family: folding,
// whole-word matches with the longest alias winning, and a stable hue of
// its own for any other name. Every symbol the families name is bundled,
// and the tiles are pictured for a person to judge.

#include "kit/genre_artwork.h"
#include "kit/genre_icon.h"
#include "kit/symbols.h"

#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind::test {
namespace {

TEST(GenreIcon, NormalisesCaseAccentsAmpersandsApostrophesAndPunctuation) {
    const struct {
        const char* name;
        const char* normalized;
    } cases[] = {
        {"Hip-Hop", "hip hop"},
        {"HIP  HOP", "hip hop"},
        {"R&B", "r and b"},
        {"Drum & Bass", "drum and bass"},
        {"Rock 'n' Roll", "rock n roll"},
        {"Rock \xE2\x80\x99n\xE2\x80\x99 Roll", "rock n roll"},
        {"Ra\xC3\xAF", "rai"},
        {"  Musique Concr\xC3\xA8te!! ", "musique concrete"},
        {"Stra\xC3\x9F"
         "e",
         "strasse"},
        {"K-Pop / J-Pop", "k pop j pop"},
        {"80s", "80s"},
        {"", ""},
        {"&", "and"},
        {"?!-- ...", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(GenreIcon::normalized(row.name), row.normalized) << row.name;
}

TEST(GenreIcon, ChoosesTheExactAliasThenTheLongestWholeWordAliasThenAHashedNote) {
    const struct {
        const char* genre;
        const char* symbol;
        double hue;
    } cases[] = {
        {"Drum & Bass", "speaker.wave.3.fill", 0.72},
        {"drum and bass", "speaker.wave.3.fill", 0.72},
        {"Hip-Hop", "mic.fill", 0.1},
        {"hip hop", "mic.fill", 0.1},
        {"HIP HOP", "mic.fill", 0.1},
        // "alternative" (11 characters) is longer than "metal" (5).
        {"Alternative Metal", "guitars.fill", 0.02},
        // Equally long: "jazz" sorts before "rock".
        {"Jazz Rock", "pianokeys", 0.12},
        {"Progressive Rock & Roll", "guitars.fill", 0.02},
        {"Ra\xC3\xAF", "globe.europe.africa.fill", 0.44},
        {"Rai", "globe.europe.africa.fill", 0.44},
        {"Rhythm & Blues Rock", "guitars", 0.6},
        {"Contemporary R&B", "heart.fill", 0.95},
        {"Symphonic Black Metal", "bolt.fill", 0.0},
        {"Post-Industrial", "waveform.path", 0.57},
        // An alias inside a longer word is no match.
        {"Popcorn", "music.note", -1},
        {"", "music.note", 341.0 / 360.0},
        {"!!!", "music.note", 341.0 / 360.0},
        {"abc", "music.note", 3.0 / 360.0},
        {"ABC", "music.note", 3.0 / 360.0},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.genre);
        const GenreIcon icon = GenreIcon::style(row.genre);
        EXPECT_EQ(icon.symbol, row.symbol);
        if (row.hue >= 0) {
            EXPECT_DOUBLE_EQ(icon.hue, row.hue);
        }
        EXPECT_GE(icon.hue, 0.0);
        EXPECT_LT(icon.hue, 1.0);
    }
    // An unknown name keeps its hue from run to run: the djb2 hash of its key.
    std::uint64_t hash = 5381;
    for (const unsigned char byte : std::string("popcorn"))
        hash = hash * 33 + byte;
    EXPECT_DOUBLE_EQ(GenreIcon::style("Popcorn").hue, static_cast<double>(hash % 360) / 360.0);
}

TEST(GenreIcon, HasEveryKeyOfItsTwentyOneFamiliesAndBundlesEverySymbol) {
    EXPECT_EQ(GenreIcon::catalogSize(), 259u);
    const std::vector<std::string> symbols = GenreIcon::familySymbols();
    EXPECT_EQ(symbols.size(), 22u); // 21 families and the unknown name's note
    for (const std::string& symbol : symbols) {
        SCOPED_TRACE(symbol);
        EXPECT_TRUE(hasSymbol(QString::fromStdString(symbol)));
        // Drawn: some of the pixmap is covered, in the tint.
        const QImage image = symbolPixmap(QString::fromStdString(symbol), QSize(32, 32), Qt::white).toImage();
        int covered = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 128) ++covered;
        EXPECT_GT(covered, 32 * 32 / 20);
    }
}

TEST(GenreArtwork, PaintsEachFamilyInItsHueWithTheSymbolInWhite) {
    const char* const genres[] = {
        "Rock",       "Metal",      "Punk",    "Pop",       "Hip-Hop", "Soul",          "Jazz",   "Blues",
        "Electronic", "House",      "Ambient", "Classical", "Country", "Folk",          "Reggae", "Latin",
        "World",      "Soundtrack", "Gospel",  "Christmas", "Noise",   "Polka Mixtape", "Zzyzx"};
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&sheet);
    grid->setSpacing(16);
    int cell = 0;
    for (const char* genre : genres) {
        auto* column = new QVBoxLayout;
        auto* tile = new GenreArtwork(QString::fromUtf8(genre));
        tile->setFixedSize(120, 120);
        column->addWidget(tile);
        column->addWidget(new QLabel(QString::fromUtf8(genre)));
        grid->addLayout(column, cell / 6, cell % 6);
        ++cell;
    }
    EXPECT_FALSE(
        saveScreenshot(sheet, QStringLiteral("library-window"), QStringLiteral("genre-tiles")).isEmpty());

    // One tile up close: the top-left corner is the light colour of the hue,
    // the bottom-right the dark one, the middle white, and the corners
    // outside the rounding are left clear.
    GenreArtwork tile(QStringLiteral("Jazz"));
    tile.resize(200, 200);
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    tile.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor light = QColor::fromHsvF(0.12f, 0.65f, 0.72f);
    const QColor dark = QColor::fromHsvF(0.12f, 0.8f, 0.32f);
    const auto near = [](QColor a, QColor b, int slack) {
        return std::abs(a.red() - b.red()) <= slack && std::abs(a.green() - b.green()) <= slack &&
               std::abs(a.blue() - b.blue()) <= slack;
    };
    EXPECT_TRUE(near(image.pixelColor(8, 8), light, 12)) << image.pixelColor(8, 8).name().toStdString();
    EXPECT_TRUE(near(image.pixelColor(193, 193), dark, 16))
        << image.pixelColor(193, 193).name().toStdString();
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    int white = 0;
    for (int y = 70; y < 130; ++y)
        for (int x = 70; x < 130; ++x)
            if (near(image.pixelColor(x, y), Qt::white, 10)) ++white;
    EXPECT_GT(white, 200);
}

} // namespace
} // namespace sorvalind::test
