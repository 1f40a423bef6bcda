#include "songs/queue_cell_delegate.h"

#include "songs/queue_table_model.h"

#include "kit/artwork_slot.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QApplication>
#include <QPainter>

namespace sorvalind {

QueueCellDelegate::QueueCellDelegate(AppModel* model, const QueueTableModel& rows, QObject* parent)
    : QStyledItemDelegate(parent), rows_(rows), covers_(model, [this] { emit coverArrived(); }) {}

QSize QueueCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QueueRow* row = rows_.row(index.row());
    return {option.rect.width(), row && row->isHeading() ? headingHeight : songHeight};
}

void QueueCellDelegate::retryMissingCovers() {
    covers_.retryMissing();
}

void QueueCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QueueRow* row = rows_.row(index.row());
    if (!row) return;
    const QRect cell = option.rect;
    const int width = cell.width();
    const QPalette& palette = option.palette;
    painter->save();
    if (row->isHeading()) {
        QFont font = textFont(TextStyle::caption);
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(secondaryTextColor(palette));
        const QRect title(cell.left() + 12, cell.top() + 7, std::max(0, width - 24), 17);
        painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                          QFontMetrics(font).elidedText(QString::fromStdString(*row->heading), Qt::ElideRight,
                                                        title.width()));
        painter->restore();
        return;
    }
    QStyleOptionViewItem background = option;
    background.text.clear();
    background.icon = QIcon();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

    const Song& song = row->entry->song;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    if (!rows_.isAvailable(song)) painter->setOpacity(0.4);
    const QRectF coverRect(cell.left() + 12, cell.top() + 6, 36, 36);
    const QImage image = song.coverArt ? covers_.image(*song.coverArt) : QImage();
    paintArtwork(*painter, coverRect, image, QStringLiteral("music.note"), palette);

    const int textWidth = std::max(0, width - 86);
    const QFont titleFont = textFont(TextStyle::body);
    painter->setFont(titleFont);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect title(cell.left() + 58, cell.top() + 7, textWidth, 18);
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(titleFont).elidedText(QString::fromStdString(song.title), Qt::ElideRight,
                                                         title.width()));
    const QFont artistFont = textFont(TextStyle::caption);
    painter->setFont(artistFont);
    painter->setPen(selected ? palette.color(QPalette::HighlightedText) : secondaryTextColor(palette));
    const QRect artist(cell.left() + 58, cell.top() + 26, textWidth, 16);
    painter->drawText(
        artist, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(artistFont)
            .elidedText(QString::fromStdString(song.artistNames()), Qt::ElideRight, artist.width()));
    if (row->current) {
        const QRectF marker(cell.left() + width - 24, cell.top() + 17, 14, 14);
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap symbol =
            symbolPixmap(QStringLiteral("speaker.wave.2.fill"), QSize(14, 14),
                         selected ? palette.color(QPalette::HighlightedText) : accentColor(), ratio);
        painter->drawPixmap(marker, symbol, QRectF(symbol.rect()));
    }
    painter->restore();
}

} // namespace sorvalind
