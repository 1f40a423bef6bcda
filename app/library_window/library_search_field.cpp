#include "library_window/library_search_field.h"

#include <QKeyEvent>

namespace sorvalind {

LibrarySearchField::LibrarySearchField(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(QStringLiteral("Search your entire library"));
    setAccessibleName(QStringLiteral("Search your entire library"));
    setClearButtonEnabled(true);
    setFixedWidth(width);
    // The clear button emits textEdited too, as a user's edit.
    connect(this, &QLineEdit::textEdited, this, &LibrarySearchField::textChangedByUser);
}

void LibrarySearchField::setModelText(const QString& text) {
    if (this->text() != text) setText(text);
}

void LibrarySearchField::requestFocus() {
    if (isVisible() && window()->isVisible()) setFocus(Qt::ShortcutFocusReason);
}

void LibrarySearchField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !text().isEmpty()) {
        clear();
        emit textChangedByUser(QString());
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace sorvalind
