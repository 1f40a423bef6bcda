#pragma once
// Dialogs open window-modal and never run a nested event loop (no exec()):
// the model keeps running under them, and the answer comes back through a
// callback once the user chose. A dialog deletes itself when it closes.
//
// GUI thread only.

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace sorvalind {

// Opens `dialog` over its parent window and deletes it once it closes.
void openDialog(QDialog* dialog);

struct MessageDialog {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    // Plain text, shown verbatim.
    QString text;
    QString informativeText;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};

// Opens a message box over `parent`; `answered` gets the button chosen
// (Escape or closing: the escape button, else NoButton). The box is
// returned for titles of its buttons; it deletes itself after the answer.
QMessageBox* openMessage(QWidget* parent, const MessageDialog& message,
                         std::function<void(QMessageBox::StandardButton)> answered);

} // namespace sorvalind
