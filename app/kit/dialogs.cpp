#include "kit/dialogs.h"

#include <QDialog>
#include <QPushButton>
#include <QTextDocument>

namespace sorvalind {

void openDialog(QDialog* dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

QMessageBox* openMessage(QWidget* parent, const MessageDialog& message,
                         std::function<void(QMessageBox::StandardButton)> answered) {
    auto* box = new QMessageBox(message.icon, message.title, message.text, message.buttons, parent);
    box->setTextFormat(Qt::PlainText);
    // The detail line has no text format of its own: escaped rich text shows
    // it verbatim.
    if (!message.informativeText.isEmpty())
        box->setInformativeText(Qt::convertFromPlainText(message.informativeText, Qt::WhiteSpaceNormal));
    if (message.defaultButton != QMessageBox::NoButton) box->setDefaultButton(message.defaultButton);
    if (message.escapeButton != QMessageBox::NoButton) box->setEscapeButton(message.escapeButton);
    QObject::connect(box, &QMessageBox::finished, box, [box, answered = std::move(answered)](int) {
        QAbstractButton* clicked = box->clickedButton();
        const auto button = clicked ? box->standardButton(clicked) : QMessageBox::NoButton;
        if (answered) answered(button);
    });
    openDialog(box);
    return box;
}

} // namespace sorvalind
