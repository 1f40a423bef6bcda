#pragma once
// The toolbar's search box, two-way with the model's search text: only the
// user's own edits (typing, the clear button, Escape) write the text back,
// and the model's text is written into the box only when it differs, so an
// update never echoes as an edit nor moves the cursor. A focus request takes
// keyboard focus only while the box is visible; one made before is
// recorded and does nothing.
//
// GUI thread only.

#include <QLineEdit>

namespace sorvalind {

class LibrarySearchField : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int width = 220;

    explicit LibrarySearchField(QWidget* parent = nullptr);

    // The model's text.
    void setModelText(const QString& text);
    // Ctrl+F: focus when shown.
    void requestFocus();

signals:
    // Each edit of the user's, with the whole text.
    void textChangedByUser(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace sorvalind
