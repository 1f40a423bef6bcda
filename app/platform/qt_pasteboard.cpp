#include "platform/qt_pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace sorvalind {

void QtPasteboard::setString(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(QString::fromStdString(text));
}

} // namespace sorvalind
