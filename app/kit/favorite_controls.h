#pragma once
// The favourite controls: the context-menu item and the heart button of page
// headers. Both show the state the caller passes in and only report the
// user's choice; the new state shows once the caller passes it again.
//
// GUI thread only.

#include <QString>
#include <QToolButton>

#include <functional>

class QAction;
class QMenu;

namespace sorvalind {

// "Add to Favorites" with "heart", or "Remove from Favorites" with
// "heart.slash"; choosing it runs `action`.
QAction* addFavoriteMenuAction(QMenu& menu, bool isFavorite, std::function<void()> action);

// "Add <name> to Favorites" or "Remove <name> from Favorites".
QString favoriteButtonTitle(bool isFavorite, const QString& itemName);

// A borderless 32 x 32 heart ("heart.fill" for a favourite): the title is its
// tooltip and accessible name, "Favorite" or "Not favorite" its accessible
// description (the state it reads out). A click runs the action.
class FavoriteButton : public QToolButton {
    Q_OBJECT

public:
    FavoriteButton(bool isFavorite, QString itemName, std::function<void()> action,
                   QWidget* parent = nullptr);

    void setFavorite(bool isFavorite, const QString& itemName);
    bool isFavorite() const noexcept { return isFavorite_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    bool isFavorite_;
    QString itemName_;
    std::function<void()> action_;
};

} // namespace sorvalind
