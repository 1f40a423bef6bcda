#pragma once
// The painters of the song table's cells, one per kind of column: text,
// the title with its note or playing symbol, the duration in tabular digits
// (every digit as wide as the widest, so times line up down the column), and
// the favourite heart. They
// paint the row's selection themselves (orange, or orange faded into the
// base colour when the table is not the focused table of the active window)
// and never a focus rectangle; a song that cannot play now is drawn in the
// disabled text colour.
//
// GUI thread only.

#include <QStyledItemDelegate>

#include <vector>

namespace sorvalind {

class SongCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { text, title, duration, liked };
    SongCellDelegate(Kind kind, QObject* parent = nullptr) : QStyledItemDelegate(parent), kind_(kind) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The selection's fill for a table in `widget` (emphasized or not).
    static QColor selectionColor(const QWidget* widget, const QPalette& palette);
    static bool selectionEmphasized(const QWidget* widget);

private:
    Kind kind_;
};

// Where each character of `text` goes from `left`: digits in cells as wide as
// the font's widest digit, anything else at its own advance.
std::vector<QRect> tabularCells(const QString& text, const QFontMetrics& metrics, int left, int top,
                                int height);

} // namespace sorvalind
