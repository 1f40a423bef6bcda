#pragma once
// Plain text laid out to a width and cut to a number of lines, the last one
// ending in "…" when text is left over: the preview of a long paragraph.
// GUI thread only (fonts).

#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace sorvalind {

// The lines `text` takes at `width` in `font`, at most `maxLines`; when the
// text needs more, the last line shown is elided at its end.
QStringList elidedLines(const QString& text, const QFont& font, int width, int maxLines);

// A label that shows its plain text in at most `maxLines` lines.
class ElidedTextLabel : public QWidget {
    Q_OBJECT

public:
    ElidedTextLabel(int maxLines, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const noexcept { return text_; }
    // The lines shown at the current width.
    QStringList shownLines() const { return elidedLines(text_, font(), width(), maxLines_); }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int maxLines_;
    QString text_;
};

} // namespace sorvalind
