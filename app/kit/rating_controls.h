#pragma once
// The rating controls: the "Rating" submenu of context menus and the row of
// five stars with a clear button of page headers. A rating is 0 to 5; none
// and 0 both mean unrated. Both show the rating the caller passes in and only
// report the user's choice: a click on a star always rates that star's value
// (the current one again included), and only "No Rating" or the clear button
// clear it.
//
// GUI thread only.

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QMenu;
class QToolButton;

namespace sorvalind {

using RatingCallback = std::function<void(int)>;

int effectiveRating(std::optional<std::int64_t> rating);
// "No Rating", "1 star", "2 stars", ... "5 stars".
QString ratingItemText(int value);

// The submenu "Rating" (symbol "star") with one exclusive item per value,
// the effective rating checked; choosing an item calls `onRate` with it.
QMenu* addRatingMenu(QMenu& menu, std::optional<std::int64_t> rating, RatingCallback onRate);

// Five borderless star buttons (22 x 24) and a clear button, 4 points apart.
// Stars up to the rating are filled ("star.fill"), the rest "star"; the
// star of the rating is checked (the selected state). Colours: `foreground`
// for all when given, else the accent for filled and the secondary colour for
// empty stars and the clear button. Tooltips carry the help texts; the row's
// accessible name is "Rating for <name>" and its description the value read
// out ("3 out of 5 stars", "No rating").
class StarRatingControl : public QWidget {
    Q_OBJECT

public:
    StarRatingControl(std::optional<std::int64_t> rating, QString itemName, std::optional<QColor> foreground,
                      RatingCallback onRate, QWidget* parent = nullptr);

    void setRating(std::optional<std::int64_t> rating);
    void setItemName(const QString& itemName);
    void setForeground(std::optional<QColor> foreground);
    int rating() const noexcept { return rating_; }

    QToolButton* star(int value) const { return stars_.at(static_cast<std::size_t>(value - 1)); }
    QToolButton* clearButton() const noexcept { return clear_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    int rating_;
    QString itemName_;
    std::optional<QColor> foreground_;
    RatingCallback onRate_;
    std::array<QToolButton*, 5> stars_{};
    QToolButton* clear_ = nullptr;
};

} // namespace sorvalind
