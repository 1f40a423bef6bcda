#pragma once
// The application's type ramp and colours: every view sizes its text by a
// style relative to the application font, so the ramp follows the desktop's
// font size; the accent (orange) colours selection, links and the symbols
// that stand for the application.
//
// GUI thread only.

#include <QColor>
#include <QFont>
#include <QPalette>

#include <optional>

class QApplication;
class QWidget;

namespace sorvalind {

enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    monospacedBody,
};

// The application font in `style`.
QFont textFont(TextStyle style);
// Sets the widget's font to `style`, keeping any other font property the
// widget set itself (such as weight), and optionally the weight.
void applyTextStyle(QWidget* widget, TextStyle style, std::optional<QFont::Weight> weight = std::nullopt);

QColor accentColor();
// The colour of secondary text on `palette`'s window: the text colour, faded.
QColor secondaryTextColor(const QPalette& palette);
// Makes secondary text of `widget` (its foreground role).
void applySecondaryStyle(QWidget* widget);
// `palette` with the accent as selection and link colour.
QPalette accentPalette(QPalette palette);
// The accent across the application (both windows).
void applyAccent(QApplication& application);

} // namespace sorvalind
