#include "kit/favorite_controls.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QAction>
#include <QEvent>
#include <QFontInfo>
#include <QMenu>

namespace sorvalind {

QAction* addFavoriteMenuAction(QMenu& menu, bool isFavorite, std::function<void()> action) {
    QAction* item = menu.addAction(
        symbolIcon(isFavorite ? QStringLiteral("heart.slash") : QStringLiteral("heart"),
                   menu.palette().color(QPalette::Text)),
        isFavorite ? QStringLiteral("Remove from Favorites") : QStringLiteral("Add to Favorites"));
    QObject::connect(item, &QAction::triggered, item, [action = std::move(action)] {
        if (action) action();
    });
    return item;
}

QString favoriteButtonTitle(bool isFavorite, const QString& itemName) {
    return isFavorite ? QStringLiteral("Remove ") + itemName + QStringLiteral(" from Favorites")
                      : QStringLiteral("Add ") + itemName + QStringLiteral(" to Favorites");
}

FavoriteButton::FavoriteButton(bool isFavorite, QString itemName, std::function<void()> action,
                               QWidget* parent)
    : QToolButton(parent), isFavorite_(isFavorite), itemName_(std::move(itemName)),
      action_(std::move(action)) {
    setAutoRaise(true);
    setFixedSize(32, 32);
    setFocusPolicy(Qt::TabFocus);
    // The body text's size at semibold: the heart reads as large as the text.
    QFont font = textFont(TextStyle::body);
    font.setWeight(QFont::DemiBold);
    const int side = QFontInfo(font).pixelSize() + 2;
    setIconSize(QSize(side, side));
    connect(this, &QToolButton::clicked, this, [this] {
        if (action_) action_();
    });
    refresh();
}

void FavoriteButton::setFavorite(bool isFavorite, const QString& itemName) {
    isFavorite_ = isFavorite;
    itemName_ = itemName;
    refresh();
}

void FavoriteButton::changeEvent(QEvent* event) {
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) refresh();
}

void FavoriteButton::refresh() {
    setIcon(symbolIcon(isFavorite_ ? QStringLiteral("heart.fill") : QStringLiteral("heart"),
                       palette().color(QPalette::ButtonText)));
    const QString title = favoriteButtonTitle(isFavorite_, itemName_);
    setToolTip(title);
    setAccessibleName(title);
    setAccessibleDescription(isFavorite_ ? QStringLiteral("Favorite") : QStringLiteral("Not favorite"));
}

} // namespace sorvalind
