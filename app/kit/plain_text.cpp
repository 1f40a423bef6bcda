#include "kit/plain_text.h"

#include <QLabel>
#include <QTextDocument>

namespace sorvalind {

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    setPlainText(label, text);
    return label;
}

void setPlainText(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

QString plainToolTip(const QString& text) {
    if (text.isEmpty()) return text;
    // Tooltips guess rich text from the first tag they see; as escaped rich
    // text the guess cannot go wrong.
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString menuText(const QString& text) {
    QString doubled = text;
    doubled.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return doubled;
}

} // namespace sorvalind
