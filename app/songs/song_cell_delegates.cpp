#include "songs/song_cell_delegates.h"

#include "songs/song_table_model.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace sorvalind {

std::vector<QRect> tabularCells(const QString& text, const QFontMetrics& metrics, int left, int top,
                                int height) {
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    std::vector<QRect> cells;
    cells.reserve(static_cast<std::size_t>(text.size()));
    int x = left;
    for (const QChar c : text) {
        const int advance = c.isDigit() ? digit : metrics.horizontalAdvance(c);
        cells.emplace_back(x, top, advance, height);
        x += advance;
    }
    return cells;
}

bool SongCellDelegate::selectionEmphasized(const QWidget* widget) {
    if (widget == nullptr) return false;
    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    const QWidget* focusTarget = view != nullptr ? view : widget;
    return widget->isActiveWindow() && focusTarget->hasFocus();
}

QColor SongCellDelegate::selectionColor(const QWidget* widget, const QPalette& palette) {
    const QColor orange = accentColor();
    if (selectionEmphasized(widget)) return orange;
    const QColor base = palette.color(QPalette::Base);
    constexpr double fraction = 0.65;
    return QColor::fromRgbF(static_cast<float>(orange.redF() * (1 - fraction) + base.redF() * fraction),
                            static_cast<float>(orange.greenF() * (1 - fraction) + base.greenF() * fraction),
                            static_cast<float>(orange.blueF() * (1 - fraction) + base.blueF() * fraction));
}

void SongCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QWidget* widget = option.widget;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool emphasized = selectionEmphasized(widget);
    const QPalette& palette = option.palette;
    painter->save();
    if (selected) painter->fillRect(option.rect, selectionColor(widget, palette));

    const bool available = index.data(SongTableModel::AvailableRole).toBool();
    const QColor label = palette.color(QPalette::Text);
    const QColor secondary = secondaryTextColor(palette);
    const QColor disabled = palette.color(QPalette::Disabled, QPalette::Text);
    const QColor selectedText = emphasized ? QColor(Qt::black) : label;

    if (kind_ == Kind::liked) {
        const bool liked = index.data(SongTableModel::LikedRole).toBool();
        const QColor color = selected ? selectedText : liked ? accentColor() : secondary;
        const QSize size(14, 14);
        const QRect target(option.rect.center().x() - size.width() / 2 + 1,
                           option.rect.center().y() - size.height() / 2 + 1, size.width(), size.height());
        const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : 1.0;
        painter->drawPixmap(
            target,
            symbolPixmap(liked ? QStringLiteral("heart.fill") : QStringLiteral("heart"), size, color, ratio));
        painter->restore();
        return;
    }

    QRect textRect = option.rect.adjusted(4, 0, -4, 0);
    if (kind_ == Kind::title) {
        const bool playing = index.data(SongTableModel::PlayingRole).toBool();
        const QColor symbolColor = selected ? selectedText : playing ? accentColor() : secondary;
        const QRect symbol(option.rect.left() + 5, option.rect.center().y() - 6, 14, 14);
        const qreal ratio = widget != nullptr ? widget->devicePixelRatioF() : 1.0;
        painter->drawPixmap(symbol, symbolPixmap(playing ? QStringLiteral("speaker.wave.2.fill")
                                                         : QStringLiteral("music.note"),
                                                 symbol.size(), symbolColor, ratio));
        textRect = QRect(option.rect.left() + 27, option.rect.top(), std::max(option.rect.width() - 31, 0),
                         option.rect.height());
    }
    QColor color = kind_ == Kind::title ? label : secondary;
    if (!available) color = disabled;
    if (selected) color = selectedText;
    painter->setPen(color);
    painter->setFont(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (kind_ == Kind::duration) {
        const std::vector<QRect> cells =
            tabularCells(text, option.fontMetrics, textRect.left(), textRect.top(), textRect.height());
        for (std::size_t i = 0; i < cells.size(); ++i) {
            // A time too long for the column shows what fits, whole digits only.
            if (cells[i].right() > textRect.right()) break;
            painter->drawText(cells[i], Qt::AlignHCenter | Qt::AlignVCenter,
                              QString(text[static_cast<qsizetype>(i)]));
        }
        painter->restore();
        return;
    }
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

} // namespace sorvalind
