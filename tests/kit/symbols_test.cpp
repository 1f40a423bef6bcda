// Every symbol the windows name is bundled and paints in the colour asked
// for, at any size; a name that is not bundled paints nothing.

#include "kit/symbols.h"

#include "support/widgets/screenshots.h"

#include <gtest/gtest.h>

#include <QGridLayout>
#include <QImage>
#include <QLabel>

namespace sorvalind::test {
namespace {

// Counts the pixels that are drawn, and checks they carry the tint.
struct Coverage {
    int drawn = 0;
    int offColour = 0;
};

Coverage coverage(const QPixmap& pixmap, const QColor& tint) {
    Coverage result;
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128) continue;
            ++result.drawn;
            if (std::abs(pixel.red() - tint.red()) > 8 || std::abs(pixel.green() - tint.green()) > 8 ||
                std::abs(pixel.blue() - tint.blue()) > 8)
                ++result.offColour;
        }
    return result;
}

const char* const names[] = {"music.note.house.fill",
                             "music.note.house",
                             "externaldrive.badge.exclamationmark",
                             "music.note",
                             "square.stack",
                             "play.circle",
                             "arrow.down.circle",
                             "keyboard",
                             "questionmark.circle",
                             "heart",
                             "heart.fill",
                             "heart.slash",
                             "play.fill",
                             "pause.fill",
                             "stop.fill",
                             "forward.fill",
                             "backward.fill",
                             "sidebar.left",
                             "arrow.clockwise",
                             "gearshape",
                             "exclamationmark.triangle",
                             "lock.fill",
                             "person.2"};

TEST(Symbols, EveryNamedSymbolPaintsInItsTint) {
    const QColor orange(0xE0, 0x72, 0x00);
    // A sheet of them all, for a person to look at.
    QWidget sheet;
    auto* grid = new QGridLayout(&sheet);
    int cell = 0;
    for (const char* name : names) {
        auto* label = new QLabel(&sheet);
        label->setPixmap(symbolPixmap(QString::fromLatin1(name), QSize(40, 40), orange));
        grid->addWidget(label, cell / 8, cell % 8);
        ++cell;
    }
    EXPECT_FALSE(saveScreenshot(sheet, QStringLiteral("kit"), QStringLiteral("symbols")).isEmpty());
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(hasSymbol(QString::fromLatin1(name)));
        for (const int side : {16, 40}) {
            const QPixmap pixmap = symbolPixmap(QString::fromLatin1(name), QSize(side, side), orange, 2.0);
            EXPECT_EQ(pixmap.size(), QSize(2 * side, 2 * side));
            const Coverage drawn = coverage(pixmap, orange);
            EXPECT_GT(drawn.drawn, side / 2) << "too little drawn at " << side;
            EXPECT_LT(drawn.drawn, 4 * side * side) << "the whole square is filled at " << side;
            EXPECT_EQ(drawn.offColour, 0);
        }
        EXPECT_FALSE(symbolIcon(QString::fromLatin1(name), orange).isNull());
    }
}

TEST(Symbols, AnUnknownNamePaintsNothing) {
    EXPECT_FALSE(hasSymbol(QStringLiteral("no.such.symbol")));
    EXPECT_FALSE(hasSymbol(QString()));
    EXPECT_TRUE(symbolIcon(QStringLiteral("no.such.symbol"), Qt::black).isNull());
    EXPECT_EQ(
        coverage(symbolPixmap(QStringLiteral("no.such.symbol"), QSize(20, 20), Qt::black), Qt::black).drawn,
        0);
}

} // namespace
} // namespace sorvalind::test
