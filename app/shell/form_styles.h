#pragma once
// The forms' red text: messages of a failure and of a refused address.
// GUI thread only.

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace sorvalind {

// The red of error text on the forms.
inline QColor errorTextColor() {
    return QColor(0xc4, 0x1e, 0x1e);
}

inline void applyErrorStyle(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(widget->foregroundRole(), errorTextColor());
    widget->setPalette(palette);
}

} // namespace sorvalind
