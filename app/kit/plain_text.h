#pragma once
// Texts from the server or the user (names, messages, paths) are shown as
// they are, never read as markup or mnemonics: a name with "<b>" shows the
// characters, a name with "&" shows the ampersand.
//
// GUI thread only.

#include <QString>

class QLabel;
class QWidget;

namespace sorvalind {

// A label that shows `text` verbatim.
QLabel* plainLabel(const QString& text, QWidget* parent = nullptr);
// Shows `text` verbatim in an existing label.
void setPlainText(QLabel* label, const QString& text);
// A tooltip that shows `text` verbatim, line breaks kept.
QString plainToolTip(const QString& text);
// `text` for a menu item or button title: "&" doubled, so it is no mnemonic.
QString menuText(const QString& text);

} // namespace sorvalind
