#pragma once
// The painters of the song table's cells, one per kind of column: text,
// the title with its note or playing symbol, and the favourite heart. They
// paint the row's selection themselves (orange, or orange faded into the
// base colour when the table is not the focused table of the active window)
// and never a focus rectangle; a song that cannot play now is drawn in the
// disabled text colour.
//
// GUI thread only.

#include <QStyledItemDelegate>

namespace sorvalind {

class SongCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Kind { text, title, liked };
    SongCellDelegate(Kind kind, QObject* parent = nullptr) : QStyledItemDelegate(parent), kind_(kind) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The selection's fill for a table in `widget` (emphasized or not).
    static QColor selectionColor(const QWidget* widget, const QPalette& palette);
    static bool selectionEmphasized(const QWidget* widget);

private:
    Kind kind_;
};

} // namespace sorvalind
