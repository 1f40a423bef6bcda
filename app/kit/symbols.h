#pragma once
// The application's symbols: small one-colour drawings bundled with the
// program under the names the views use ("music.note.house.fill", "heart",
// ...), painted in the colour asked for. An unknown name paints nothing
// (an empty icon or a transparent pixmap).
//
// GUI thread only (painting needs the application's GUI).

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace sorvalind {

bool hasSymbol(const QString& name);
// `size` in device-independent pixels, at `devicePixelRatio`.
QPixmap symbolPixmap(const QString& name, QSize size, const QColor& color, qreal devicePixelRatio = 1.0);
// The symbol in `color`, with a lighter copy for the disabled state.
QIcon symbolIcon(const QString& name, const QColor& color);

} // namespace sorvalind
