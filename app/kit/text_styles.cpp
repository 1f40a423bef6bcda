#include "kit/text_styles.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

namespace sorvalind {

namespace {

// Sizes relative to the body text, and the weight each style has of itself.
struct Ramp {
    double scale;
    QFont::Weight weight;
};

Ramp rampOf(TextStyle style) {
    switch (style) {
    case TextStyle::largeTitle:
        return {2.0, QFont::Normal};
    case TextStyle::title:
        return {1.7, QFont::Normal};
    case TextStyle::title2:
        return {1.35, QFont::Normal};
    case TextStyle::title3:
        return {1.15, QFont::Normal};
    case TextStyle::headline:
        return {1.0, QFont::DemiBold};
    case TextStyle::body:
    case TextStyle::monospacedBody:
        return {1.0, QFont::Normal};
    case TextStyle::callout:
        return {0.93, QFont::Normal};
    case TextStyle::subheadline:
        return {0.87, QFont::Normal};
    case TextStyle::footnote:
        return {0.85, QFont::Normal};
    case TextStyle::caption:
        return {0.8, QFont::Normal};
    }
    return {1.0, QFont::Normal};
}

} // namespace

QFont textFont(TextStyle style) {
    QFont font = style == TextStyle::monospacedBody ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                                    : QApplication::font();
    const QFont base = QApplication::font();
    const Ramp ramp = rampOf(style);
    if (base.pointSizeF() > 0) {
        font.setPointSizeF(base.pointSizeF() * ramp.scale);
    } else {
        font.setPixelSize(qRound(base.pixelSize() * ramp.scale));
    }
    font.setWeight(ramp.weight);
    return font;
}

void applyTextStyle(QWidget* widget, TextStyle style, std::optional<QFont::Weight> weight) {
    QFont font = textFont(style);
    if (weight) font.setWeight(*weight);
    widget->setFont(font);
}

QColor accentColor() {
    // Dark enough for white text on a selection to stay readable.
    return QColor(0xE0, 0x72, 0x00);
}

QColor secondaryTextColor(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.62);
    return color;
}

void applySecondaryStyle(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, secondaryTextColor(palette));
    palette.setColor(QPalette::Text, secondaryTextColor(palette));
    widget->setPalette(palette);
}

QPalette accentPalette(QPalette palette) {
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, accentColor());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, accentColor());
        palette.setColor(group, QPalette::LinkVisited, accentColor().darker(115));
    }
    return palette;
}

void applyAccent(QApplication& application) {
    application.setPalette(accentPalette(application.palette()));
}

} // namespace sorvalind
