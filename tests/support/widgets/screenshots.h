#pragma once
// Pictures of views for a person to look at: <build>/screenshots/<folder>/
// <name>.png, drawn with QWidget::grab(). GUI thread only.

#include <QString>

class QWidget;

namespace sorvalind::test {

// Shows `widget` if it is not visible yet, lays it out and saves the picture;
// returns the file written (empty when saving failed).
QString saveScreenshot(QWidget& widget, const QString& folder, const QString& name);

} // namespace sorvalind::test
