#include "kit/elided_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace sorvalind {

QStringList elidedLines(const QString& text, const QFont& font, int width, int maxLines) {
    QStringList lines;
    if (text.isEmpty() || width <= 0 || maxLines <= 0) return lines;
    // Line breaks in the text end a line, as paragraphs do.
    QString flowing = text;
    flowing.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(flowing, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    while (lines.size() < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(width);
        const QString part = flowing.mid(line.textStart(), line.textLength());
        if (lines.size() == maxLines - 1 && line.textStart() + line.textLength() < flowing.size()) {
            // The last line shown takes everything left, cut with an ellipsis.
            const QFontMetrics metrics(font);
            const QString rest =
                flowing.mid(line.textStart()).replace(QChar::LineSeparator, QLatin1Char(' ')).simplified();
            QString cut = metrics.elidedText(rest, Qt::ElideRight, width);
            // Text left over after a line break still needs its ellipsis.
            if (cut == rest) {
                QString shown = part;
                shown.remove(QChar::LineSeparator);
                cut = metrics.elidedText(shown.trimmed() + QChar(0x2026), Qt::ElideRight, width);
            }
            lines << cut;
            break;
        }
        QString shown = part;
        shown.remove(QChar::LineSeparator);
        lines << shown.trimmed();
    }
    layout.endLayout();
    return lines;
}

ElidedTextLabel::ElidedTextLabel(int maxLines, QWidget* parent) : QWidget(parent), maxLines_(maxLines) {
    // As tall as its lines at the width it gets, never taller.
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void ElidedTextLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

int ElidedTextLabel::heightForWidth(int width) const {
    const auto count = elidedLines(text_, font(), width, maxLines_).size();
    return static_cast<int>(count) * fontMetrics().lineSpacing();
}

QSize ElidedTextLabel::sizeHint() const {
    const int width = fontMetrics().averageCharWidth() * 60;
    return {width, heightForWidth(width)};
}

QSize ElidedTextLabel::minimumSizeHint() const {
    return {fontMetrics().averageCharWidth() * 10, 0};
}

void ElidedTextLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetrics metrics = fontMetrics();
    int y = metrics.ascent();
    for (const QString& line : shownLines()) {
        painter.drawText(QPoint(0, y), line);
        y += metrics.lineSpacing();
    }
}

} // namespace sorvalind
