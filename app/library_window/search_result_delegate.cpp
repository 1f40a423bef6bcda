#include "search_result_delegate.h"

#include "search_results_model.h"

#include "kit/artwork_slot.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "songs/song_cell_delegates.h"

#include <QPainter>

namespace sorvalind {

namespace {

using Kind = SearchResultsModel::Kind;

void drawSymbol(QPainter& painter, const QString& name, const QRect& rect, const QColor& color) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    painter.drawPixmap(rect, symbolPixmap(name, rect.size(), color, ratio));
}

void drawElided(QPainter& painter, const QFont& font, const QColor& color, const QRect& rect,
                const QString& text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, alignment, QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width()));
}

} // namespace

SearchResultDelegate::SearchResultDelegate(AppModel* model, QObject* parent)
    : QStyledItemDelegate(parent), covers_(model, [this] { emit coverArrived(); }) {}

QSize SearchResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    // The list lays rows out at its own width; a width here would only add a horizontal scroll bar.
    Q_UNUSED(option);
    return {0, rowHeight};
}

void SearchResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const auto kind = static_cast<Kind>(index.data(SearchResultsModel::kindRole).toInt());
    const QRect cell = option.rect;
    const QPalette& palette = option.palette;
    const QColor secondary = secondaryTextColor(palette);
    const QString title = index.data(Qt::DisplayRole).toString();
    painter->save();
    if (kind == Kind::artistsHeader || kind == Kind::albumsHeader || kind == Kind::songsHeader) {
        QFont font = textFont(TextStyle::headline);
        font.setBold(true);
        // The songs header leaves room for its "Play Results" button.
        const int trailing = kind == Kind::songsHeader ? 160 : 16;
        drawElided(
            *painter, font, palette.color(QPalette::Text),
            QRect(cell.left() + 16, cell.top(), std::max(0, cell.width() - 16 - trailing), cell.height()),
            title);
        painter->restore();
        return;
    }
    const bool enabled = index.flags().testFlag(Qt::ItemIsEnabled);
    // The list has no selection, so the row Return acts on shows by this tint.
    const bool current = option.state.testFlag(QStyle::State_HasFocus);
    if ((option.state.testFlag(QStyle::State_MouseOver) || current) && enabled) {
        QColor hover = palette.color(QPalette::Text);
        hover.setAlphaF(0.06);
        painter->fillRect(cell, hover);
    }
    if (!enabled) painter->setOpacity(0.4);

    const int left = cell.left() + 16;
    const QRectF coverRect(left, cell.top() + (cell.height() - coverSide) / 2.0, coverSide, coverSide);
    const QString coverArt = index.data(SearchResultsModel::coverArtRole).toString();
    QImage image = coverArt.isEmpty() ? QImage() : covers_.image(coverArt.toStdString());
    if (!enabled && !image.isNull()) image = image.convertToFormat(QImage::Format_Grayscale8);
    paintArtwork(*painter, coverRect, image,
                 kind == Kind::artist ? QStringLiteral("person.fill") : QStringLiteral("music.note"),
                 palette);

    // Trailing items, right to left.
    int right = cell.right() - 16;
    if (kind == Kind::song) {
        const QFont font = textFont(TextStyle::body);
        const QFontMetrics metrics(font);
        const QString duration = index.data(SearchResultsModel::durationRole).toString();
        const std::vector<QRect> measured = tabularCells(duration, metrics, 0, cell.top(), cell.height());
        const int width = measured.empty() ? 0 : measured.back().right() + 1;
        painter->setFont(font);
        painter->setPen(secondary);
        const std::vector<QRect> cells =
            tabularCells(duration, metrics, right - width, cell.top(), cell.height());
        for (std::size_t i = 0; i < cells.size(); ++i)
            painter->drawText(cells[i], Qt::AlignHCenter | Qt::AlignVCenter,
                              QString(duration.at(static_cast<qsizetype>(i))));
        right -= width + 12;
        if (index.data(SearchResultsModel::favoriteRole).toBool()) {
            drawSymbol(*painter, QStringLiteral("heart.fill"),
                       QRect(right - 14, cell.top() + (cell.height() - 14) / 2, 14, 14), secondary);
            right -= 14 + 12;
        }
    } else {
        drawSymbol(*painter, QStringLiteral("chevron.right"),
                   QRect(right - 12, cell.top() + (cell.height() - 12) / 2, 12, 12), secondary);
        right -= 12 + 12;
    }

    const int textLeft = left + coverSide + 12;
    const QRect textRect(textLeft, cell.top(), std::max(0, right - textLeft), cell.height());
    const QColor primary = palette.color(QPalette::Text);
    if (kind == Kind::artist) {
        drawElided(*painter, textFont(TextStyle::body), primary, textRect, title);
    } else {
        const QFont titleFont = textFont(TextStyle::body);
        const QFont captionFont = textFont(TextStyle::caption);
        const int titleHeight = QFontMetrics(titleFont).height();
        const int captionHeight = QFontMetrics(captionFont).height();
        const int top = cell.top() + (cell.height() - titleHeight - 4 - captionHeight) / 2;
        drawElided(*painter, titleFont, primary, QRect(textRect.left(), top, textRect.width(), titleHeight),
                   title);
        drawElided(*painter, captionFont, secondary,
                   QRect(textRect.left(), top + titleHeight + 4, textRect.width(), captionHeight),
                   index.data(SearchResultsModel::secondaryRole).toString());
    }
    painter->restore();
}

} // namespace sorvalind
