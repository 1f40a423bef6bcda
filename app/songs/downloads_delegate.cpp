#include "songs/downloads_delegate.h"

#include "kit/artwork_slot.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"

#include "platform/text/byte_count.h"
#include "platform/text/locale_number.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace sorvalind {

namespace {

constexpr int headingHeight = 30;
constexpr int cancelAllHeight = 36;
constexpr int jobHeight = 66;
constexpr int recordHeight = 48;
constexpr int margin = 16;
constexpr int iconButton = 24;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

QString elided(const QString& text, const QFont& font, int width) {
    return QFontMetrics(font).elidedText(text, Qt::ElideRight, std::max(0, width));
}

int textButtonWidth(const QString& text) {
    return QFontMetrics(textFont(TextStyle::callout)).horizontalAdvance(text) + 20;
}

} // namespace

DownloadsDelegate::DownloadsDelegate(AppModel* model, const DownloadsModel& rows, QObject* parent)
    : QStyledItemDelegate(parent), rows_(rows), covers_(model, [this] { emit coverArrived(); }) {}

DownloadsHit DownloadsDelegate::jobAction(const DownloadJob& job) {
    return job.isActive() ? DownloadsHit::pause : DownloadsHit::retry;
}

QSize DownloadsDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const auto row = rows_.row(index.row());
    int height = recordHeight;
    if (row) switch (row->kind) {
        case DownloadsModel::Kind::transfersHeading:
        case DownloadsModel::Kind::offlineHeading:
            height = headingHeight;
            break;
        case DownloadsModel::Kind::cancelAll:
            height = cancelAllHeight;
            break;
        case DownloadsModel::Kind::job:
            height = jobHeight;
            break;
        case DownloadsModel::Kind::record:
            height = recordHeight;
            break;
        }
    return {option.rect.width(), height};
}

QRect DownloadsDelegate::buttonRect(const QRect& cell, int position, DownloadsHit button) const {
    const auto row = rows_.row(position);
    if (!row) return {};
    const int right = cell.right() - margin;
    switch (row->kind) {
    case DownloadsModel::Kind::cancelAll: {
        if (button != DownloadsHit::cancelAll) return {};
        const int width = textButtonWidth(QStringLiteral("Cancel All Transfers"));
        return {cell.left() + margin, cell.top() + 5, width, cell.height() - 10};
    }
    case DownloadsModel::Kind::job: {
        const DownloadJob& job = rows_.jobs()[row->item];
        const QRect cancel(right - iconButton + 1, cell.top() + 10, iconButton, iconButton);
        if (button == DownloadsHit::cancel) return cancel;
        if (button != jobAction(job)) return {};
        const int width = textButtonWidth(button == DownloadsHit::pause ? QStringLiteral("Pause")
                                                                        : QStringLiteral("Retry"));
        return {cancel.left() - 8 - width, cell.top() + 10, width, iconButton};
    }
    case DownloadsModel::Kind::record:
        if (button != DownloadsHit::play) return {};
        return {right - iconButton + 1, cell.top() + (cell.height() - iconButton) / 2, iconButton,
                iconButton};
    default:
        return {};
    }
}

DownloadsHit DownloadsDelegate::hit(const QRect& cell, int row, const QPoint& point) const {
    for (DownloadsHit button : {DownloadsHit::cancelAll, DownloadsHit::pause, DownloadsHit::retry,
                                DownloadsHit::cancel, DownloadsHit::play})
        if (buttonRect(cell, row, button).contains(point)) return button;
    return DownloadsHit::none;
}

bool DownloadsDelegate::isIndeterminate(const DownloadJob& job) {
    return job.status == DownloadJob::downloading && !job.expectedBytes;
}

void DownloadsDelegate::setPointer(int row, DownloadsHit hovered, DownloadsHit pressed) {
    pointerRow_ = row;
    hovered_ = hovered;
    pressed_ = pressed;
}

void DownloadsDelegate::paintButton(QPainter& painter, const QRect& rect, const QString& text,
                                    const QString& symbol, bool destructive, int row, DownloadsHit button,
                                    const QPalette& palette) const {
    const bool hovered = row == pointerRow_ && hovered_ == button;
    const bool pressed = hovered && pressed_ == button;
    const QColor foreground = destructive ? QColor(0xd0, 0x30, 0x30) : palette.color(QPalette::ButtonText);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!text.isEmpty() || hovered) {
        QColor fill = palette.color(QPalette::WindowText);
        fill.setAlphaF(pressed ? 0.22f : hovered ? 0.14f : 0.07f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
    if (!text.isEmpty()) {
        painter.setFont(textFont(TextStyle::callout));
        painter.setPen(foreground);
        painter.drawText(rect, Qt::AlignCenter, text);
    } else {
        const int side = 14;
        const QRect icon(rect.center() - QPoint(side / 2 - 1, side / 2 - 1), QSize(side, side));
        const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        painter.drawPixmap(icon, symbolPixmap(symbol, icon.size(), foreground, ratio));
    }
    painter.restore();
}

void DownloadsDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const auto row = rows_.row(index.row());
    if (!row) return;
    const QRect cell = option.rect;
    const QPalette& palette = option.palette;
    const int position = index.row();
    painter->save();
    const auto drawText = [&](const QRect& rect, const QString& text, const QFont& font, const QColor& color,
                              Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
        painter->setFont(font);
        painter->setPen(color);
        painter->drawText(rect, alignment, elided(text, font, rect.width()));
    };
    const QColor secondary = secondaryTextColor(palette);
    switch (row->kind) {
    case DownloadsModel::Kind::transfersHeading:
    case DownloadsModel::Kind::offlineHeading: {
        QFont font = textFont(TextStyle::subheadline);
        font.setBold(true);
        drawText(QRect(cell.left() + margin, cell.top() + 8, cell.width() - 2 * margin, cell.height() - 10),
                 index.data().toString(), font, secondary);
        break;
    }
    case DownloadsModel::Kind::cancelAll:
        paintButton(*painter, buttonRect(cell, position, DownloadsHit::cancelAll),
                    QStringLiteral("Cancel All Transfers"), {}, true, position, DownloadsHit::cancelAll,
                    palette);
        break;
    case DownloadsModel::Kind::job: {
        const DownloadJob& job = rows_.jobs()[row->item];
        const DownloadsHit action = jobAction(job);
        const QRect actionRect = buttonRect(cell, position, action);
        const int textWidth = actionRect.left() - 8 - (cell.left() + margin);
        drawText(QRect(cell.left() + margin, cell.top() + 6, textWidth, 19), qt(job.song.title),
                 textFont(TextStyle::body), palette.color(QPalette::Text));
        const QString status =
            job.error ? qt(*job.error) : qt(job.quality.label() + " · " + job.statusDescription());
        drawText(QRect(cell.left() + margin, cell.top() + 28, textWidth, 16), status,
                 textFont(TextStyle::caption), job.error ? QColor(0xd0, 0x30, 0x30) : secondary);
        paintButton(*painter, actionRect,
                    action == DownloadsHit::pause ? QStringLiteral("Pause") : QStringLiteral("Retry"), {},
                    false, position, action, palette);
        paintButton(*painter, buttonRect(cell, position, DownloadsHit::cancel), {}, QStringLiteral("xmark"),
                    false, position, DownloadsHit::cancel, palette);
        const QRectF track(cell.left() + margin, cell.top() + 52, cell.width() - 2 * margin, 5);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        QColor groove = palette.color(QPalette::WindowText);
        groove.setAlphaF(0.12f);
        painter->setBrush(groove);
        painter->drawRoundedRect(track, 2.5, 2.5);
        painter->setBrush(accentColor());
        if (isIndeterminate(job)) {
            // Without a length there is no fraction: a stripe sweeps across.
            QRectF stripe = track;
            stripe.setWidth(track.width() * 0.3);
            stripe.moveLeft(track.left() + track.width() * 0.7 * sweep_);
            painter->drawRoundedRect(stripe, 2.5, 2.5);
        } else {
            QRectF done = track;
            done.setWidth(track.width() * std::clamp(job.progress, 0.0, 1.0));
            if (done.width() > 0) painter->drawRoundedRect(done, 2.5, 2.5);
        }
        break;
    }
    case DownloadsModel::Kind::record: {
        const DownloadRecord& record = rows_.records()[row->item];
        QStyleOptionViewItem background = option;
        background.text.clear();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);
        const QRectF cover(cell.left() + margin, cell.top() + 3, 42, 42);
        const QImage image = record.song.coverArt ? covers_.image(*record.song.coverArt) : QImage();
        paintArtwork(*painter, cover, image, QStringLiteral("music.note"), palette);
        const QRect play = buttonRect(cell, position, DownloadsHit::play);
        const QString size = qt(fileByteCountText(record.bytes, text::userLocaleId()));
        const QFont caption = textFont(TextStyle::caption);
        const int sizeWidth = QFontMetrics(caption).horizontalAdvance(size) + 4;
        const QRect sizeRect(play.left() - 12 - sizeWidth, cell.top(), sizeWidth, cell.height());
        const int textLeft = static_cast<int>(cover.right()) + 12;
        const int textWidth = sizeRect.left() - 12 - textLeft;
        drawText(QRect(textLeft, cell.top() + 6, textWidth, 19), qt(record.song.title),
                 textFont(TextStyle::body), palette.color(QPalette::Text));
        drawText(QRect(textLeft, cell.top() + 26, textWidth, 16),
                 qt(record.song.artistNames() + " · " + record.quality.label()), caption, secondary);
        drawText(sizeRect, size, caption, secondary, Qt::AlignRight | Qt::AlignVCenter);
        paintButton(*painter, play, {}, QStringLiteral("play.fill"), false, position, DownloadsHit::play,
                    palette);
        break;
    }
    }
    painter->restore();
}

bool DownloadsDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
    QString tip;
    switch (hit(option.rect, index.row(), event->pos())) {
    case DownloadsHit::cancelAll:
        tip = QString::fromLatin1(cancelAllHelp);
        break;
    case DownloadsHit::cancel:
        tip = QStringLiteral("Cancel download");
        break;
    case DownloadsHit::play:
        tip = QStringLiteral("Play offline copy");
        break;
    default:
        break;
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), tip, view);
    return true;
}

} // namespace sorvalind
